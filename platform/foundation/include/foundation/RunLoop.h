// The process's run loop: repeating timers on a grid that never drifts,
// descriptor sources, work queued from other threads, and observers that run
// after each pass (layout, drawing). While nothing is due it sleeps in the
// kernel until the next fire date or a ready descriptor, so an idle process
// costs nothing and no thread exists only to wait on a socket.
//
//   auto source = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "control socket",
//                                           [](unsigned ready) { ... });
//   ns::RunLoop::main().run();   // until stop()
//
// Every callback runs on the loop's thread. A callback that throws is logged
// in one line naming it, and the loop goes on.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "foundation/Clock.h"
#include "foundation/Objects.h"

namespace ns {
class RunLoop;
}

class NSTimer final : public rt::Object {
public:
    double interval = 0;
    double fireDate = 0;  // next intended firing, seconds since 1970
    bool repeats = false;
    bool valid = true;
    id target;            // held until invalidated
    SEL selector = nullptr;
    id userInfo;
    std::function<void(const id& timer)> block;  // instead of target and selector
    std::string blockName;                        // what a block timer is for, in log lines
    bool onPace = false;  // counts in the clock's pace, not the device's time (foundation/Clock.h)
    void invalidate();

private:
    friend class ns::RunLoop;
    std::weak_ptr<void> loop_;  // the loop it is scheduled on
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
// the current run loop: the first firing one interval later; a repeating
// timer's next fire date counts from the intended one, missed periods collapse
// into one.
id scheduledTimer(double interval, const id& target, SEL selector, const id& userInfo, bool repeats);
// [NSTimer scheduledTimerWithTimeInterval:repeats:block:]; `what` names it in log lines.
id scheduledTimer(double interval, bool repeats, std::function<void(const id& timer)> block,
                  std::string what = "a block timer");

class RunLoop {
public:
    enum Event : unsigned { Readable = 1, Writable = 2, Hangup = 4 };

    // Watching a descriptor: ends when the handle goes (or the loop does).
    class Source {
    public:
        ~Source();
        Source(const Source&) = delete;
        Source& operator=(const Source&) = delete;
        // Changes what is waited for (Readable, Writable or both).
        void setEvents(unsigned events);

    private:
        friend class RunLoop;
        Source(std::weak_ptr<void> core, int id) : core_(std::move(core)), id_(id) {}
        std::weak_ptr<void> core_;
        int id_;
    };
    // An observer of the passes: ends when the handle goes.
    class Observer {
    public:
        ~Observer();
        Observer(const Observer&) = delete;
        Observer& operator=(const Observer&) = delete;

    private:
        friend class RunLoop;
        Observer(std::weak_ptr<void> core, int id) : core_(std::move(core)), id_(id) {}
        std::weak_ptr<void> core_;
        int id_;
    };

    explicit RunLoop(Clock& clock);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The current process's loop (foundation/Process.h).
    static RunLoop& main();

    // Calls `callback` with the events that are ready (Readable, Writable,
    // Hangup) whenever `fd` is ready for `events`. The descriptor stays the caller's.
    [[nodiscard]] std::unique_ptr<Source> watch(int fd, unsigned events, std::string name,
                                                std::function<void(unsigned ready)> callback);
    // Runs `fn` after every pass, in the order observers were added.
    [[nodiscard]] std::unique_ptr<Observer> observePasses(std::string name, std::function<void()> fn);

    // One pass without waiting: ready descriptors, due timers, queued work,
    // observers. Answers the next fire date (0 when no timer is scheduled).
    double runOnce();
    // Virtual clock: moves time forward, firing timers in order as they fall due.
    void advance(double seconds);
    // Runs until stop() (or until `seconds` have passed when >= 0). On a
    // virtual clock with `seconds`, the same as advance().
    void run(double seconds = -1);
    void stop();
    // Queues work for the loop's thread; safe from any thread.
    void perform(std::function<void()> work);

    std::size_t timerCount() const;
    std::size_t sourceCount() const;
    // How many times run() woke from the kernel (a measure of idleness).
    std::uint64_t wakeups() const;

    // The clock was set from `before` to `after`: a repeating timer goes to
    // its grid's last place at or before `after`, so it fires once now and
    // goes on from its next place (a jump forward needs nothing: the timer is
    // due and fires once); a one-shot keeps what it had left to wait.
    void clockJumped(double before, double after);
    // The clock's rate changed or it paused or resumed: waits are computed afresh.
    void clockChanged();

    // Invalidates every timer, which lets go of its target (the process is ending).
    void invalidateAllTimers();

    // Used by NSTimer; not for callers.
    void schedule(const std::shared_ptr<NSTimer>& timer);
    void unschedule(NSTimer* timer);

private:
    friend class ::NSTimer;
    struct Core;
    double pass(int waitMs);
    double nextFireDate() const;
    double realSecondsToNextTimer() const;
    void wakeIfElsewhere();
    std::shared_ptr<Core> core_;
};

}  // namespace ns
