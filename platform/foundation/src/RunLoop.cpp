#include "foundation/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <vector>

#include "ClockControl.h"

namespace ns {

namespace {

// The main run loop's state. Timers are kept in scheduling order, which breaks
// ties between timers due at the same instant.
struct Loop {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::shared_ptr<NSTimer>> timers;
    std::deque<std::function<void()>> work;
    std::function<void()> afterPass;
    bool stopRequested = false;
    std::uint64_t changes = 0;  // bumped by anything that may shorten a wait
};

Loop& loop() {
    static Loop* l = new Loop;  // never destroyed: timers may fire during exit
    return *l;
}

// The earliest fire date of the scheduled timers, or 0 when there are none.
double nextFireDate() {
    auto& l = loop();
    std::lock_guard lock(l.mutex);
    double next = 0;
    for (const auto& t : l.timers)
        if (next == 0 || t->fireDate < next) next = t->fireDate;
    return next;
}

// The first intended fire date after `t`: missed periods collapse into one firing,
// and the schedule stays on the original grid, so it never drifts.
double nextOnGrid(double fireDate, double interval, double t) {
    double next = fireDate + interval;
    if (next <= t) {
        double k = std::floor((t - fireDate) / interval) + 1;
        next = fireDate + k * interval;
        while (next <= t) next += interval;
    }
    return next;
}

void fire(const std::shared_ptr<NSTimer>& timer) {
    if (!timer->valid) return;
    if (timer->repeats) timer->fireDate = nextOnGrid(timer->fireDate, timer->interval, now());
    struct OneShot {
        const std::shared_ptr<NSTimer>& timer;
        ~OneShot() {
            if (!timer->repeats) timer->invalidate();
        }
    } oneShot{timer};
    id target = timer->target;  // kept alive through the call even if it invalidates the timer
    rt::sendAction(target, timer->selector, timer);
}

void runQueuedWork() {
    auto& l = loop();
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(l.mutex);
        work.swap(l.work);
    }
    for (auto& w : work)
        if (w) w();
}

// ---- NSTimer as a runtime class ------------------------------------------------

void timerInvalidate(id self, SEL) { rt::cast<NSTimer>(self)->invalidate(); }
bool timerIsValid(id self, SEL) { return rt::cast<NSTimer>(self)->valid; }
id timerUserInfo(id self, SEL) { return rt::cast<NSTimer>(self)->userInfo; }
double timerTimeInterval(id self, SEL) { return rt::cast<NSTimer>(self)->interval; }
id timerFireDate(id self, SEL) { return NSDateNew(rt::cast<NSTimer>(self)->fireDate); }
id timerScheduled(id, SEL, double interval, id target, SEL selector, id userInfo, bool repeats) {
    return scheduledTimer(interval, target, selector, userInfo, repeats);
}

rt::Class* timerClass() {
    static rt::Class* cls = [] {
        registerFoundationClasses();
        rt::Class* c = rt::objc_registerClass("NSTimer", rt::NSObjectClass(), rt::factoryFor<NSTimer>());
        rt::defineMethod(c, invalidate, &timerInvalidate);
        rt::defineMethod(c, isValid, &timerIsValid);
        rt::defineMethod(c, userInfo, &timerUserInfo);
        rt::defineMethod(c, timeInterval, &timerTimeInterval);
        rt::defineMethod(c, fireDate, &timerFireDate);
        rt::defineClassMethod(c, scheduledTimerWithTimeInterval_target_selector_userInfo_repeats, &timerScheduled);
        return c;
    }();
    return cls;
}

__attribute__((constructor)) void registerTimerClass() { timerClass(); }

}  // namespace

id scheduledTimer(double interval, const id& target, SEL selector, const id& userInfo, bool repeats) {
    auto timer = rt::cast<NSTimer>(timerClass()->alloc());
    // A timer never fires at once: a zero, negative or NaN interval means the shortest one.
    timer->interval = interval > 0 ? interval : 0.0001;
    timer->fireDate = now() + timer->interval;
    timer->repeats = repeats;
    timer->target = target;
    timer->selector = selector;
    timer->userInfo = userInfo;
    auto& l = loop();
    {
        std::lock_guard lock(l.mutex);
        l.timers.push_back(timer);
        ++l.changes;
    }
    l.wake.notify_all();
    return timer;
}

RunLoop& RunLoop::main() {
    static RunLoop mainLoop;
    return mainLoop;
}

double RunLoop::runOnce() {
    auto& l = loop();
    double t = now();
    std::vector<std::shared_ptr<NSTimer>> due;
    {
        std::lock_guard lock(l.mutex);
        for (const auto& timer : l.timers)
            if (timer->fireDate <= t) due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a->fireDate < b->fireDate; });
    for (const auto& timer : due)
        if (timer->fireDate <= t) fire(timer);
    runQueuedWork();
    std::function<void()> hook;
    {
        std::lock_guard lock(l.mutex);
        hook = l.afterPass;
    }
    if (hook) hook();
    return nextFireDate();
}

void RunLoop::advance(double seconds) {
    if (!clockIsVirtual()) return run(seconds);
    if (!(seconds >= 0)) return;
    double target = now() + seconds;
    // Each timer fires at its own fire date, so "now" inside it is that date.
    for (double next = nextFireDate(); next > 0 && next <= target; next = nextFireDate()) {
        setVirtualNow(next);
        runOnce();
    }
    setVirtualNow(target);
    runOnce();
}

void RunLoop::run(double seconds) {
    auto& l = loop();
    const double deadline = seconds >= 0 ? now() + seconds : std::numeric_limits<double>::infinity();
    if (clockIsVirtual() && seconds >= 0) return advance(seconds);
    for (;;) {
        double next = runOnce();
        std::unique_lock lock(l.mutex);
        if (l.stopRequested) {
            l.stopRequested = false;
            return;
        }
        if (!l.work.empty()) continue;
        if (clockIsVirtual() && next > 0) {
            // Nothing real to wait for: time jumps to the next timer.
            lock.unlock();
            setVirtualNow(next);
            continue;
        }
        double t = now();
        if (t >= deadline) return;
        double until = next > 0 ? std::min(next, deadline) : deadline;
        std::uint64_t seen = l.changes;
        auto changed = [&] { return l.changes != seen || l.stopRequested || !l.work.empty(); };
        if (std::isinf(until) || clockIsVirtual())
            l.wake.wait(lock, changed);
        else
            l.wake.wait_for(lock, std::chrono::duration<double>(until - t), changed);
    }
}

void RunLoop::stop() {
    auto& l = loop();
    {
        std::lock_guard lock(l.mutex);
        l.stopRequested = true;
        ++l.changes;
    }
    l.wake.notify_all();
}

void RunLoop::perform(std::function<void()> work) {
    auto& l = loop();
    {
        std::lock_guard lock(l.mutex);
        l.work.push_back(std::move(work));
        ++l.changes;
    }
    l.wake.notify_all();
}

std::size_t RunLoop::timerCount() const {
    auto& l = loop();
    std::lock_guard lock(l.mutex);
    return l.timers.size();
}

void RunLoop::setAfterPass(std::function<void()> hook) {
    auto& l = loop();
    std::lock_guard lock(l.mutex);
    l.afterPass = std::move(hook);
}

void RunLoop::reset() {
    auto& l = loop();
    std::vector<std::shared_ptr<NSTimer>> timers;
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(l.mutex);
        timers.swap(l.timers);
        work.swap(l.work);
        l.stopRequested = false;
        ++l.changes;
    }
    for (const auto& t : timers) t->invalidate();
}

}  // namespace ns

void NSTimer::invalidate() {
    if (!valid) return;
    valid = false;
    auto keep = weak_from_this().lock();  // the run loop may hold the last reference
    auto& l = ns::loop();
    {
        std::lock_guard lock(l.mutex);
        std::erase_if(l.timers, [this](const auto& t) { return t.get() == this; });
        ++l.changes;
    }
    // Released outside the lock: the target's destructor may touch the run loop.
    id releasedTarget = std::move(target);
    id releasedInfo = std::move(userInfo);
    target.reset();
    userInfo.reset();
}
