// The device's screen as this SpringBoard shows it: the wallpaper of the home
// screen's settings, the status bar, the lock screen's window and any alert.
#pragma once

#include <string>

#include "renderer/Frame.h"

namespace springboard {

// The screen at the present instant.
render::Frame renderScreenNow();

// Control commands:
//   screenshot PATH   writes the screen as a PNG file (replaced whole); "ok"
//   frame PATH        the live view's frame: "same SERIAL" when nothing on the
//                     screen changed since the last frame, else writes a quickly
//                     encoded PNG to PATH and answers "new SERIAL"
std::string screenshotCommand(const std::string& path);
std::string frameCommand(const std::string& path);

}  // namespace springboard
