// The live screen: this SpringBoard owns the frames, since it holds the view
// tree, its animations and the renderer, and so knows when the screen may
// have changed. While a tool watches (a control connection's watch_screen),
// the screen is drawn after a run-loop pass that did something, at most at
// the display's pace, and at that pace while an animation runs; each drawing
// is compared with the last one in tiles and only what changed is pushed. A
// still screen costs nothing and sends nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ControlServer.h"
#include "renderer/Frame.h"
#include "renderer/LivePNG.h"

namespace springboard {

// The display's pace: frames a second at most.
inline constexpr double kDisplayHz = 60;

// One update as the watchers are pushed it: the frame of a FromSpringBoard
// holding the changed rectangles of `shown` (or all of it, whole) as PNG,
// drawn when the device's clock said `shows`.
std::string screenUpdateFrame(const render::Frame& shown, const std::vector<render::PixelRect>& rects, bool whole,
                              std::uint64_t serial, std::uint32_t touch, double shows = 0);

// Makes the connection a watcher of the screen: its first update is the
// whole screen, then what changes, until it closes.
void watchScreen(const std::shared_ptr<ControlConnection>& connection);
// No more of the screen for this connection.
void unwatchScreen(const std::shared_ptr<ControlConnection>& connection);
// The next update this watcher is pushed is the whole screen.
void wantWholeScreen(const std::shared_ptr<ControlConnection>& connection);
// The newest touch handled: the updates say they show it.
void screenTouched(std::uint32_t seq);

// Watchers now (for tests).
std::size_t screenWatchers();

}  // namespace springboard
