// The panel's text takes the lock screen's legibility colour, so it stays
// readable on any wallpaper, unless "disAutoBW" keeps the colour the user chose
// ("useBlack" or white).
#pragma once

#include "foundation/Objects.h"

namespace orvelle {

// Gives `panel` the primary colour of `dateController`'s legibility settings,
// unless "disAutoBW" is on (read afresh) or there is no controller.
void followLegibilityColour(const id& dateController, const id& panel);

}  // namespace orvelle
