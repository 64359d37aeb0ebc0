// "Now" for a process: the real clock in a running device, the real pace from
// a chosen start in a device booted at a given time, or a virtual clock in
// tests and deterministic screenshots, where time moves only when the run loop
// is advanced. Within one step of the run loop, "now" is the same everywhere.
//
// A device's clock can also be held in hand: paused, set, stepped and run at a
// rate, as a simulator's user does to see a moment without waiting for it.
// "Now" is then the device's time; the pace (pace()) is what the machinery
// that must not stop with it (frame pacing, deadlines, a long press) counts in.
#pragma once

namespace ns {

class Clock {
public:
    enum class Mode { Real, RealPaceFrom, Virtual };
    // The fastest a held clock may run: an hour a second.
    static constexpr double kFastestRate = 3600;

    // Seconds since 1970.
    double now() const;
    // Seconds that never jump nor stop: the steady clock, or on a virtual
    // clock the virtual time itself.
    double pace() const;
    Mode mode() const { return mode_; }
    bool isVirtual() const { return mode_ == Mode::Virtual; }
    // Device seconds per real second (0 while paused); a virtual clock's is 1.
    double rate() const { return paused_ ? 0 : rate_; }
    double chosenRate() const { return rate_; }
    bool paused() const { return paused_; }
    // The real seconds until "now" reaches `when` (infinite while paused).
    double realSecondsUntil(double when) const;

    void useReal();
    // Starts at `start` and moves at the real pace, as a device booted at a given time.
    void useRealPaceFrom(double start);
    // Stands at `start` until moved.
    void useVirtual(double start);
    // A virtual clock moves to `seconds`, never backwards; other clocks ignore it.
    void moveVirtualTo(double seconds);

    // Held in hand: each keeps "now" continuous except `setTo`. A real clock
    // becomes one at its pace from now. The caller checks the values (finite,
    // the rate above 0 and at most kFastestRate).
    void setTo(double seconds);
    void setRate(double rate);
    void pause();
    void resume();

private:
    void rebase();  // the pace's origin moved to now, "now" unchanged
    Mode mode_ = Mode::Real;
    double virtualNow_ = 0;
    double paceStart_ = 0;        // RealPaceFrom: "now" at the origin
    double paceOriginSteady_ = 0;  // RealPaceFrom: the steady clock then
    double rate_ = 1;
    bool paused_ = false;
};

// The current process's clock (see foundation/Process.h).
double now();
double pace();
bool clockIsVirtual();
void useVirtualClock(double startSeconds);
void useRealClock();
void useRealPaceFrom(double startSeconds);

// The process's clock held in hand; the run loop's timers follow (a jump
// fires each repeating timer once, on its grid; see RunLoop::clockJumped).
void setClockTo(double seconds);
void advanceClock(double seconds);
void setClockRate(double rate);
void pauseClock();
void resumeClock();

}  // namespace ns
