// Smaller parts of the lock screen: media artwork, the call-to-action text and
// the today view.
#pragma once

#include "Tweak/HookTable.h"

namespace orvelle {

extern const Hook kArtworkDidMoveToWindow;
extern const Hook kArtworkRemoveFromSuperview;
extern const Hook kCallToActionSetText;
extern const Hook kPolicyTodayView;
extern const Hook kMainDisplayPolicyTodayView;

}  // namespace orvelle
