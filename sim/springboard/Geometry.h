// Where the home screen puts things by default on the current screen.
#pragma once

#include "graphics/Geometry.h"

namespace springboard {

// Between the date and time (or the media above the list) and the list.
inline constexpr double kListGap = 10;

// The stock date and time across the screen: from the top of the time's line
// down to a little above where the list begins, so the time's and the date's
// baselines fall where the device puts them.
CGRect defaultDateTimeFrame();

}  // namespace springboard
