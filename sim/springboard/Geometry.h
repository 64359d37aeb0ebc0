// Where the home screen puts things by default on the current screen.
#pragma once

#include "graphics/Geometry.h"

namespace springboard {

// The stock date and time: under the status bar, across the screen.
CGRect defaultDateTimeFrame();
// The notification list: from a little under the date and time to the bottom.
CGRect defaultListFrame();

}  // namespace springboard
