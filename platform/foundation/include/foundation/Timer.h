// A timer owned like a descriptor source: it fires on the run loop until its
// handle goes, which cancels it. The platform's and the tools' own code keep
// their timers this way, never as ids cancelled by hand.
//
//   class Blinker {
//       ns::Timer tick_ = ns::Timer::every(1, "the colon's blink", [this] { blink(); });
//   };                       // gone with the Blinker: it never fires on a dead object
//
// NSTimer stays what the device's classes see; a Timer holds one.
#pragma once

#include <functional>
#include <string>

#include "foundation/RunLoop.h"

namespace ns {

class Timer {
public:
    Timer() = default;
    // Once, `seconds` from now; `what` names it in log lines.
    [[nodiscard]] static Timer after(double seconds, std::string what, std::function<void()> fn);
    // Once, `seconds` of real time from now, whatever the device's clock does
    // (paused, set, fast): for the machinery, such as frame pacing and deadlines.
    [[nodiscard]] static Timer afterReal(double seconds, std::string what, std::function<void()> fn);
    // Every `seconds` on a grid that never drifts, the first one `seconds` from now.
    [[nodiscard]] static Timer every(double seconds, std::string what, std::function<void()> fn);

    ~Timer() { cancel(); }
    Timer(Timer&& other) noexcept : timer_(std::move(other.timer_)) { other.timer_ = nullptr; }
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            cancel();
            timer_ = std::move(other.timer_);
            other.timer_ = nullptr;
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void cancel();
    // Waiting to fire: a one-shot that fired or a cancelled timer is not.
    bool scheduled() const;
    explicit operator bool() const { return scheduled(); }

private:
    explicit Timer(id timer) : timer_(std::move(timer)) {}
    id timer_;
};

}  // namespace ns
