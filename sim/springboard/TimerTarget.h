// A timer's target that runs a C++ function: the host's own periodic work
// (the minute tick of the date view, the weather widget's refresh) rides on
// the run loop's ordinary timers.
#pragma once

#include <functional>

#include "foundation/Objects.h"

namespace springboard {

// The target's one method: runs the function with the timer.
inline constinit const rt::Msg<void(id timer)> fire{"fire:"};

// A repeating (or one-shot) NSTimer on the main run loop calling `work` with
// the timer; the target holds the function, so `work` should capture weakly
// what it must not keep alive.
id scheduleHostTimer(double interval, bool repeats, std::function<void(const id& timer)> work);

}  // namespace springboard
