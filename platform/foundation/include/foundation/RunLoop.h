// The clock, the main run loop and its repeating timers.
#pragma once

#include <functional>
#include <string>

#include "foundation/Objects.h"

namespace ns {

// "Now" in seconds since 1970. Real in a running device; virtual in tests and in
// deterministic screenshots, where time moves only when the run loop is advanced.
double now();
bool clockIsVirtual();
void useVirtualClock(double startSeconds);
void useRealClock();

}  // namespace ns

class NSTimer final : public rt::Object {
public:
    double interval = 0;
    double fireDate = 0;  // next intended firing, seconds since 1970
    bool repeats = false;
    bool valid = true;
    id target;            // held until invalidated
    SEL selector = nullptr;
    id userInfo;
    void invalidate();
};

namespace ns {
inline constinit const rt::ClassMsg<id(double, id, SEL, id, bool)> scheduledTimerWithTimeInterval_target_selector_userInfo_repeats{
    "NSTimer", "scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:"};
inline constinit const rt::Msg<void()> invalidate{"invalidate"};
inline constinit const rt::Msg<bool()> isValid{"isValid"};
inline constinit const rt::Msg<id()> userInfo{"userInfo"};
inline constinit const rt::Msg<double()> timeInterval{"timeInterval"};
inline constinit const rt::Msg<id()> fireDate{"fireDate"};  // an NSDate
}  // namespace ns

namespace ns {

// [NSTimer scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:] on
// the main run loop: the first firing one interval later; a repeating timer's
// next fire date counts from the intended one, missed periods collapse into one.
id scheduledTimer(double interval, const id& target, SEL selector, const id& userInfo, bool repeats);

class RunLoop {
public:
    static RunLoop& main();
    // Fires every timer due by now and runs queued work; answers the next fire date (or 0).
    double runOnce();
    // Virtual clock: moves time forward, firing timers in order as they fall due.
    void advance(double seconds);
    // Real clock: runs until stop() (or until `seconds` have passed when >= 0).
    void run(double seconds = -1);
    void stop();
    // Queues work for the main thread; safe from any thread.
    void perform(std::function<void()> work);
    std::size_t timerCount() const;
    // Called after each pass, for hosts that lay out and draw (set by the host).
    void setAfterPass(std::function<void()> hook);

    // Drops all timers and queued work (tests that start afresh).
    void reset();
};

}  // namespace ns
