// The live screen: this SpringBoard owns the frames, since it holds the view
// tree, its animations and the renderer, and so knows when the screen may
// have changed. While a tool watches (the control socket's "screen-feed"),
// the screen is drawn after a run-loop pass that did something, at most at
// the display's pace, and at that pace while an animation runs; each drawing
// is compared with the last one in tiles and only what changed is pushed. A
// still screen costs nothing and sends nothing.
#pragma once

#include <string>

namespace springboard {

// The display's pace: frames a second at most.
inline constexpr double kDisplayHz = 60;

// Makes `fd` (a control connection that asked for the feed) a watcher of the
// screen; its first update is the whole screen.
void watchScreen(int fd, std::string after);

// Watchers now (for tests).
std::size_t screenWatchers();

}  // namespace springboard
