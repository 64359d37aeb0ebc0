// The lock screen's controls around the date and the list: on models with a
// home button, the page dots with the camera's glyph for its last page; on
// the phone without one, the padlock under the sensor housing, the home
// indicator and the flashlight and camera buttons in the bottom corners.
#pragma once

#include "foundation/Objects.h"

namespace springboard {

// Adds the model's controls to the main page's view at their places.
void addLockScreenControls(const id& pageView);

void registerControlPainters();

}  // namespace springboard
