#include "LockState.h"

#include "LockScreen.h"
#include "LockScreenFigures.h"
#include "NotificationList.h"
#include "host/Chrome.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {
LockState current = LockState::Locked;
}  // namespace

LockState lockState() { return current; }

const char* callToActionText() {
    const bool locked = current == LockState::Locked;
    if (figures().homeButton) return locked ? "Press home to unlock" : "Press home to open";
    return locked ? "Swipe up to unlock" : "Swipe up to open";
}

void setLockState(LockState state) {
    if (state == current) return;
    current = state;
    LockScreen& ls = lockScreen();
    // The label is told its new words the way the host always tells it, so
    // an add-on that replaces them still has the last word.
    if (ls.callToAction) host::setText_forLanguage_animated(ls.callToAction, NSStr(callToActionText()), NSStr("en"), true);
    refreshNotificationList();
}

}  // namespace springboard
