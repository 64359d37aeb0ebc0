// The device's screen as this SpringBoard shows it: the wallpaper of the home
// screen's settings, the status bar, the lock screen's window and any alert.
#pragma once

#include <string>

#include "renderer/Frame.h"

namespace springboard {

// The screen at the present instant.
render::Frame renderScreenNow();

// Control command "screenshot PATH": writes the screen as a PNG file
// (replaced whole); "ok". The live screen goes through LiveScreen's feed.
std::string screenshotCommand(const std::string& path);

}  // namespace springboard
