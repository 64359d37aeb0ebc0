#include "Tweak/ChromeHooks.h"

#include "Settings.h"
#include "foundation/NotificationCenter.h"

namespace orvelle {

namespace {

constexpr const char* kTodaySelector = "_allowsCapabilityLockScreenTodayViewWithExplanation:";

void (*stockDidMoveToWindow)(id, SEL) = nullptr;
void (*stockRemoveFromSuperview)(id, SEL) = nullptr;
void (*stockSetText)(id, SEL, id, id, bool) = nullptr;
bool (*stockPolicyToday)(id, SEL, id*) = nullptr;
bool (*stockMainDisplayPolicyToday)(id, SEL, id*) = nullptr;

// The master switch is read again here, so switching it off hides the panel no
// more, even before a restart.
void didMoveToWindow(id self, SEL cmd) {
    if (eee() == 999.0) {
        stockDidMoveToWindow(self, cmd);
        ns::postNotification(kHideClockNow, self);
    } else {
        stockDidMoveToWindow(self, cmd);
    }
}

void removeFromSuperview(id self, SEL cmd) {
    stockRemoveFromSuperview(self, cmd);
    ns::postNotification(kShowClockNow, self);
}

void setText(id self, SEL cmd, id text, id language, bool animated) {
    if (settingOn("hideText"))
        stockSetText(self, cmd, NSStr(" "), language, animated);
    else if (settingOn("cusText"))
        stockSetText(self, cmd, stringEntry(readSettings(), "setCusText"), language, animated);
    else
        stockSetText(self, cmd, text, language, animated);
}

bool policyToday(id self, SEL cmd, id* explanation) {
    if (settingOn("hideToy")) return false;
    return stockPolicyToday(self, cmd, explanation);
}

bool mainDisplayPolicyToday(id self, SEL cmd, id* explanation) {
    if (settingOn("hideToy")) return false;
    return stockMainDisplayPolicyToday(self, cmd, explanation);
}

}  // namespace

constinit const Hook kArtworkDidMoveToWindow =
    Hook::of<&didMoveToWindow, &stockDidMoveToWindow>("SBDashBoardMediaArtworkView", "didMoveToWindow");
constinit const Hook kArtworkRemoveFromSuperview =
    Hook::of<&removeFromSuperview, &stockRemoveFromSuperview>("SBDashBoardMediaArtworkView", "removeFromSuperview");
constinit const Hook kCallToActionSetText =
    Hook::of<&setText, &stockSetText>("SBUICallToActionLabel", "setText:forLanguage:animated:");
constinit const Hook kPolicyTodayView = Hook::of<&policyToday, &stockPolicyToday>("SBPolicyAggregator", kTodaySelector);
constinit const Hook kMainDisplayPolicyTodayView =
    Hook::of<&mainDisplayPolicyToday, &stockMainDisplayPolicyToday>("SBMainDisplayPolicyAggregator", kTodaySelector);

}  // namespace orvelle
