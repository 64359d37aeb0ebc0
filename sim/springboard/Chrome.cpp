// Smaller pieces of the lock screen: the media artwork, the call-to-action
// text at the bottom, and the policy that allows the today view.
#include "HostClass.h"
#include "Legibility.h"
#include "uikit/UIColor.h"
#include "uikit/UILabel.h"
#include "uikit/UIView.h"

namespace springboard {

namespace {

class CallToActionLabel : public UIView {
public:
    id text;
    id language;
};

rt::Class* cls(const char* name) { return rt::objc_getClass(name); }

void artworkDidMoveToWindow(id self, SEL sel) { callSuper<void()>(cls("SBDashBoardMediaArtworkView"), self, sel); }
void artworkRemoveFromSuperview(id self, SEL sel) {
    callSuper<void()>(cls("SBDashBoardMediaArtworkView"), self, sel);
}

void callToActionSetText(id self, SEL, id text, id language, bool) {
    auto& label = stateOf<CallToActionLabel>(self);
    label.text = text;
    label.language = language;
    // The words themselves are drawn by a label across the whole view.
    id shown;
    for (const id& sub : ui::subviews(self))
        if (rt::isKindOfClass(sub, "UILabel")) shown = sub;
    if (!shown) {
        shown = ui::makeLabel(ui::bounds(self));
        ui::setTextAlignment(shown, NSTextAlignmentCenter);
        ui::setTextColor(shown, legibilityPrimaryColor());
        ui::addSubview(self, shown);
    }
    rt::send<void(id)>(shown, "setText:", text);
}
id callToActionText(id self, SEL) { return stateOf<CallToActionLabel>(self).text; }

// The lock screen offers its today view unless a policy says otherwise.
bool allowsTodayView(id, SEL, id*) { return true; }

}  // namespace

std::vector<HostClass> chromeClasses() {
    return {
        {"SBDashBoardMediaArtworkView", "UIView", {},
         {method<&artworkDidMoveToWindow>("didMoveToWindow"),
          method<&artworkRemoveFromSuperview>("removeFromSuperview")}},
        {"SBUICallToActionLabel", "UIView", rt::factoryFor<CallToActionLabel>(),
         {method<&callToActionSetText>("setText:forLanguage:animated:"), method<&callToActionText>("text")}},
        {"SBPolicyAggregator", "NSObject", {},
         {method<&allowsTodayView>("_allowsCapabilityLockScreenTodayViewWithExplanation:")}},
        {"SBMainDisplayPolicyAggregator", "SBPolicyAggregator", {},
         {method<&allowsTodayView>("_allowsCapabilityLockScreenTodayViewWithExplanation:")}, kFrom11},
    };
}

}  // namespace springboard
