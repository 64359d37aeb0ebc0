// Whether the device is locked, or unlocked by its owner's fingerprint (or
// face) without leaving the lock screen yet. The call-to-action text, the
// padlock and, on the phone without a home button, the notifications'
// previews follow it. A home screen starts locked.
#pragma once

namespace springboard {

enum class LockState { Locked, Unlocked };

LockState lockState();
// Changes the state and everything on the lock screen that shows it; the same
// state again changes nothing.
void setLockState(LockState state);

// The stock call-to-action text of the state on this model: "Press home to
// unlock" / "Press home to open" with a home button, "Swipe up to unlock" /
// "Swipe up to open" without one.
const char* callToActionText();

}  // namespace springboard
