// The device's screen as this SpringBoard shows it: the wallpaper of the home
// screen's settings, the status bar, the lock screen's window and any alert.
#pragma once

#include <string>

#include "renderer/Frame.h"

namespace springboard {

// The lock screen's own drawing (platters, media controls, its controls),
// registered with the renderer once.
void registerLockScreenPainters();

// The screen at the present instant, at the device's scale or the one given.
render::Frame renderScreenNow(double scale = 0);

// Control command "screenshot PATH": writes the screen as a PNG file
// (replaced whole); "ok". The live screen goes through LiveScreen's feed.
std::string screenshotCommand(const std::string& path);

}  // namespace springboard
