// Smaller pieces of the lock screen: the media artwork, the call-to-action
// text at the bottom, and the policy that allows the today view.
#include "HostClass.h"
#include "Legibility.h"
#include "LockScreenFigures.h"
#include "host/Chrome.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
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

void artworkDidMoveToWindow(id self, SEL) {
    rt::sendSuper(cls("SBDashBoardMediaArtworkView"), self, ui::didMoveToWindow);
}
void artworkRemoveFromSuperview(id self, SEL) {
    rt::sendSuper(cls("SBDashBoardMediaArtworkView"), self, ui::removeFromSuperview);
}

void callToActionSetText(id self, SEL cmd, id text, id language, bool) {
    auto& label = rt::state<CallToActionLabel>(self, cmd);
    label.text = text;
    label.language = language;
    // The words themselves are drawn by a label across the whole view.
    id shown;
    for (const id& sub : ui::subviews(self))
        if (rt::isKindOfClass(sub, "UILabel")) shown = sub;
    if (!shown) {
        shown = ui::makeLabel(ui::bounds(self));
        ui::setTextAlignment(shown, NSTextAlignmentCenter);
        ui::setFont(shown, ui::fontWithName_size(NSStr(figures().callToActionFont), figures().callToActionSize));
        ui::setTextColor(shown, legibilityPrimaryColor());
        ui::addSubview(self, shown);
    }
    ui::setText(shown, text);
}
id callToActionText(id self, SEL cmd) { return rt::state<CallToActionLabel>(self, cmd).text; }

// The lock screen offers its today view unless a policy says otherwise.
bool allowsTodayView(id, SEL, id*) { return true; }

}  // namespace

std::vector<HostClass> chromeClasses() {
    return {
        {"SBDashBoardMediaArtworkView",
         "UIView",
         {},
         {method<&artworkDidMoveToWindow>(ui::didMoveToWindow),
          method<&artworkRemoveFromSuperview>(ui::removeFromSuperview)}},
        {"SBUICallToActionLabel",
         "UIView",
         rt::factoryFor<CallToActionLabel>(),
         {method<&callToActionSetText>(host::setText_forLanguage_animated), method<&callToActionText>(host::text)}},
        {"SBPolicyAggregator",
         "NSObject",
         {},
         {method<&allowsTodayView>(host::_allowsCapabilityLockScreenTodayViewWithExplanation)}},
        {"SBMainDisplayPolicyAggregator",
         "SBPolicyAggregator",
         {},
         {method<&allowsTodayView>(host::_allowsCapabilityLockScreenTodayViewWithExplanation)},
         kFrom11},
    };
}

}  // namespace springboard
