#include "foundation/RunLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Process.h"
#include "RunLoopCore.h"
#include "runtime/ObjectState.h"

namespace ns {

namespace {

// A boundary: the loop runs code it did not write. A throw is one log line and
// the loop goes on.
template <class F>
void guarded(const std::string& what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        logLine("RunLoop: " + what + " threw: " + e.what() + "; the run loop goes on");
    } catch (...) {
        logLine("RunLoop: " + what + " threw something that is not an exception; the run loop goes on");
    }
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

std::string timerName(const NSTimer& timer) {
    if (timer.block) return "timer \"" + timer.blockName + "\"";
    const rt::Class* cls = timer.target ? timer.target->isa : nullptr;
    return std::string("timer -[") + (cls ? cls->name() : "nil") + " " + rt::sel_getName(timer.selector) + "]";
}

void fire(const std::shared_ptr<NSTimer>& timer, double now) {
    if (!timer->valid) return;
    if (timer->repeats) timer->fireDate = nextOnGrid(timer->fireDate, timer->interval, now);
    // Kept alive through the call even if it invalidates the timer.
    id target = timer->target;
    auto block = timer->block;
    guarded(timerName(*timer), [&] {
        if (block)
            block(timer);
        else
            rt::sendAction(target, timer->selector, timer);
    });
    if (!timer->repeats) timer->invalidate();
}

unsigned epollEvents(unsigned events) {
    unsigned e = 0;
    if (events & RunLoop::Readable) e |= EPOLLIN;
    if (events & RunLoop::Writable) e |= EPOLLOUT;
    return e;
}

[[noreturn]] void failed(const char* what) {
    throw std::runtime_error(std::string("RunLoop: ") + what + ": " + std::strerror(errno));
}

}  // namespace

// ---- the loop ----------------------------------------------------------------------

RunLoop::RunLoop(Clock& clock) : core_(std::make_shared<Core>(clock)) {
    core_->epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (core_->epoll < 0) failed("cannot create its epoll descriptor");
    core_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (core_->wake < 0) failed("cannot create its wake-up descriptor");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0;  // source ids start at 1
    if (::epoll_ctl(core_->epoll, EPOLL_CTL_ADD, core_->wake, &ev) != 0) failed("cannot watch its wake-up descriptor");
}

RunLoop::~RunLoop() { invalidateAllTimers(); }

void RunLoop::invalidateAllTimers() {
    std::vector<std::shared_ptr<NSTimer>> timers;
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(core_->mutex);
        timers = core_->timers;
        work.swap(core_->work);
    }
    for (const auto& t : timers) t->invalidate();
}

RunLoop& RunLoop::main() { return Process::current().runLoop(); }

void RunLoop::schedule(const std::shared_ptr<NSTimer>& timer) {
    timer->loop_ = core_;
    {
        std::lock_guard lock(core_->mutex);
        core_->timers.push_back(timer);
    }
    wakeIfElsewhere();
}

// A loop asleep on another thread recomputes its wait; on its own thread the
// next wait is computed after this pass anyway.
void RunLoop::wakeIfElsewhere() {
    if (core_->runningOn == std::this_thread::get_id()) return;
    std::uint64_t one = 1;
    (void)!::write(core_->wake, &one, sizeof one);
}

void RunLoop::unschedule(NSTimer* timer) {
    std::lock_guard lock(core_->mutex);
    std::erase_if(core_->timers, [timer](const auto& t) { return t.get() == timer; });
}

std::unique_ptr<RunLoop::Source> RunLoop::watch(int fd, unsigned events, std::string name,
                                                std::function<void(unsigned)> callback) {
    int id = core_->nextId++;
    epoll_event ev{};
    ev.events = epollEvents(events);
    ev.data.u64 = static_cast<std::uint64_t>(id);
    if (::epoll_ctl(core_->epoll, EPOLL_CTL_ADD, fd, &ev) != 0)
        throw std::runtime_error("RunLoop: cannot watch " + name + " (descriptor " + std::to_string(fd) +
                                 "): " + std::strerror(errno));
    core_->sources.emplace(id, Core::SourceEntry{fd, std::move(name), std::move(callback)});
    return std::unique_ptr<Source>(new Source(core_, id));
}

RunLoop::Source::~Source() {
    auto core = std::static_pointer_cast<Core>(core_.lock());
    if (!core) return;
    auto it = core->sources.find(id_);
    if (it == core->sources.end()) return;
    ::epoll_ctl(core->epoll, EPOLL_CTL_DEL, it->second.fd, nullptr);
    core->sources.erase(it);
}

void RunLoop::Source::setEvents(unsigned events) {
    auto core = std::static_pointer_cast<Core>(core_.lock());
    if (!core) return;
    auto it = core->sources.find(id_);
    if (it == core->sources.end()) return;
    epoll_event ev{};
    ev.events = epollEvents(events);
    ev.data.u64 = static_cast<std::uint64_t>(id_);
    ::epoll_ctl(core->epoll, EPOLL_CTL_MOD, it->second.fd, &ev);
}

std::unique_ptr<RunLoop::Observer> RunLoop::observePasses(std::string name, std::function<void()> fn) {
    int id = core_->nextId++;
    core_->observers.push_back({id, std::move(name), std::move(fn)});
    return std::unique_ptr<Observer>(new Observer(core_, id));
}

RunLoop::Observer::~Observer() {
    auto core = std::static_pointer_cast<Core>(core_.lock());
    if (!core) return;
    std::erase_if(core->observers, [this](const auto& o) { return o.id == id_; });
}

double RunLoop::pass(int waitMs) {
    Core& c = *core_;

    // Ready descriptors. A callback may remove a source that is ready in the
    // same batch: it is looked up again before each call.
    epoll_event events[32];
    int n = ::epoll_wait(c.epoll, events, 32, waitMs);
    if (n < 0 && errno != EINTR) failed("cannot wait");
    if (waitMs != 0) ++c.wakeups;
    for (int i = 0; i < n; ++i) {
        auto id = static_cast<int>(events[i].data.u64);
        if (id == 0) {
            std::uint64_t count;
            (void)!::read(c.wake, &count, sizeof count);
            continue;
        }
        auto it = c.sources.find(id);
        if (it == c.sources.end()) continue;
        unsigned ready = 0;
        if (events[i].events & EPOLLIN) ready |= Readable;
        if (events[i].events & EPOLLOUT) ready |= Writable;
        if (events[i].events & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) ready |= Hangup;
        auto callback = it->second.callback;  // the source may go inside the call
        guarded(it->second.name, [&] { callback(ready); });
    }

    // Due timers, earliest first; "now" is read once, so every timer of a pass
    // sees the same instant.
    const double t = c.clock.now(), p = c.clock.pace();
    auto at = [&](const NSTimer& timer) { return timer.onPace ? p : t; };
    std::vector<std::shared_ptr<NSTimer>> due;
    {
        std::lock_guard lock(c.mutex);
        for (const auto& timer : c.timers)
            if (timer->fireDate <= at(*timer)) due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(), [&](const auto& a, const auto& b) {
        return a->fireDate - at(*a) < b->fireDate - at(*b);
    });
    for (const auto& timer : due)
        if (timer->fireDate <= at(*timer)) fire(timer, at(*timer));

    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(c.mutex);
        work.swap(c.work);
    }
    for (auto& w : work)
        if (w) guarded("queued work", w);

    auto observers = c.observers;  // an observer may add or remove observers
    for (const auto& o : observers) guarded(o.name, o.fn);

    return nextFireDate();
}

double RunLoop::nextFireDate() const {
    std::lock_guard lock(core_->mutex);
    double next = 0;
    for (const auto& timer : core_->timers)
        if (next == 0 || timer->fireDate < next) next = timer->fireDate;
    return next;
}

// Faster than real time, the device's timers are looked at no more than 30
// times a real second: a timer that fell behind fires once, each look is at
// most one new frame, and an hour a second costs a small share of a core.
constexpr double kFastClockShortestWait = 1.0 / 30;

double RunLoop::realSecondsToNextTimer() const {
    const Clock& clock = core_->clock;
    const double p = clock.pace();
    double wait = std::numeric_limits<double>::infinity();
    std::lock_guard lock(core_->mutex);
    for (const auto& timer : core_->timers) {
        double w;
        if (timer->onPace) {
            w = std::max(0.0, timer->fireDate - p);
        } else {
            w = clock.realSecondsUntil(timer->fireDate);
            if (clock.rate() > 1) w = std::max(w, kFastClockShortestWait);
        }
        wait = std::min(wait, w);
    }
    return wait;
}

void RunLoop::clockJumped(double before, double after) {
    const double delta = after - before;
    if (std::isfinite(delta) && delta < 0) {
        std::lock_guard lock(core_->mutex);
        for (const auto& timer : core_->timers) {
            if (timer->onPace && !core_->clock.isVirtual()) continue;
            if (!timer->repeats) {
                timer->fireDate += delta;
            } else if (timer->fireDate > after) {
                timer->fireDate -= std::ceil((timer->fireDate - after) / timer->interval) * timer->interval;
            }
        }
    }
    wakeIfElsewhere();
}

void RunLoop::clockChanged() { wakeIfElsewhere(); }

double RunLoop::runOnce() { return pass(0); }

void RunLoop::advance(double seconds) {
    Clock& clock = core_->clock;
    if (!clock.isVirtual()) return run(seconds);
    if (!(seconds >= 0)) return;
    double target = clock.now() + seconds;
    // Each timer fires at its own fire date, so "now" inside it is that date.
    for (double next = nextFireDate(); next > 0 && next <= target; next = nextFireDate()) {
        clock.moveVirtualTo(next);
        runOnce();
    }
    clock.moveVirtualTo(target);
    runOnce();
}

void RunLoop::run(double seconds) {
    Clock& clock = core_->clock;
    if (clock.isVirtual() && seconds >= 0) return advance(seconds);
    // run(seconds) lasts real seconds, whatever the device's clock does.
    const double deadline = seconds >= 0 ? clock.pace() + seconds : std::numeric_limits<double>::infinity();
    struct Running {
        Core& core;
        std::thread::id before;
        explicit Running(Core& c) : core(c), before(c.runningOn.load()) { c.runningOn = std::this_thread::get_id(); }
        ~Running() { core.runningOn = before; }
    } running(*core_);
    int wait = 0;
    for (;;) {
        double next = pass(wait);
        {
            std::lock_guard lock(core_->mutex);
            if (core_->stopRequested) {
                core_->stopRequested = false;
                return;
            }
            if (!core_->work.empty()) {
                wait = 0;
                continue;
            }
        }
        if (clock.isVirtual()) {
            // Nothing real to wait for but descriptors: time jumps to the next timer.
            if (next > 0) {
                clock.moveVirtualTo(next);
                wait = 0;
            } else {
                wait = -1;
            }
            continue;
        }
        const double p = clock.pace();
        if (p >= deadline) return;
        const double seconds = std::min(realSecondsToNextTimer(), deadline - p);
        if (std::isinf(seconds)) {
            wait = -1;
        } else {
            // Rounded up, so a wake never comes before the fire date and spins.
            double ms = std::max(0.0, std::ceil(seconds * 1000));
            wait = static_cast<int>(std::min(ms, 24.0 * 3600 * 1000));
        }
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(core_->mutex);
        core_->stopRequested = true;
    }
    std::uint64_t one = 1;
    (void)!::write(core_->wake, &one, sizeof one);
}

void RunLoop::perform(std::function<void()> work) {
    {
        std::lock_guard lock(core_->mutex);
        core_->work.push_back(std::move(work));
    }
    wakeIfElsewhere();
}

std::size_t RunLoop::timerCount() const {
    std::lock_guard lock(core_->mutex);
    return core_->timers.size();
}

std::size_t RunLoop::sourceCount() const { return core_->sources.size(); }

std::uint64_t RunLoop::wakeups() const { return core_->wakeups; }

}  // namespace ns
