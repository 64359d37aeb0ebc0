// The colour of lock-screen text on the device's wallpaper: dark text on a
// light wallpaper, light text on a dark one, judged where the clock stands.
#pragma once

#include <string>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"
#include "graphics/Image.h"

namespace springboard {

// The home screen's own settings inside the device; "wallpaper" holds "dark",
// "light" or the absolute path of a picture (dark when absent or unreadable).
inline constexpr const char* kHomeScreenSettingsFile = "/var/mobile/Library/Preferences/com.apple.springboard.plist";

// The wallpaper setting as the renderer's wallpaper name ("dark" when unset).
std::string wallpaperSetting();

// Mean relative luminance (0 dark to 1 light) of the area of `image` under
// `area` (points on a screen `screenWidth` points wide); 0 for no pixels.
double meanLuminance(const CGImageRef& image, CGRect area, double screenWidth);

// Black for a light wallpaper behind the default date and time, white for a
// dark one. Worked out once per process.
id legibilityPrimaryColor();

}  // namespace springboard
