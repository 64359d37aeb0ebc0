// "Now" for a process: the real clock in a running device, the real pace from
// a chosen start in a device booted at a given time, or a virtual clock in
// tests and deterministic screenshots, where time moves only when the run loop
// is advanced. Within one step of the run loop, "now" is the same everywhere.
#pragma once

namespace ns {

class Clock {
public:
    enum class Mode { Real, RealPaceFrom, Virtual };

    // Seconds since 1970.
    double now() const;
    Mode mode() const { return mode_; }
    bool isVirtual() const { return mode_ == Mode::Virtual; }

    void useReal();
    // Starts at `start` and moves at the real pace, as a device booted at a given time.
    void useRealPaceFrom(double start);
    // Stands at `start` until moved.
    void useVirtual(double start);
    // A virtual clock moves to `seconds`, never backwards; other clocks ignore it.
    void moveVirtualTo(double seconds);

private:
    Mode mode_ = Mode::Real;
    double virtualNow_ = 0;
    double paceStart_ = 0;        // RealPaceFrom: "now" at the origin
    double paceOriginSteady_ = 0;  // RealPaceFrom: the steady clock then
};

// The current process's clock (see foundation/Process.h).
double now();
bool clockIsVirtual();
void useVirtualClock(double startSeconds);
void useRealClock();
void useRealPaceFrom(double startSeconds);

}  // namespace ns
