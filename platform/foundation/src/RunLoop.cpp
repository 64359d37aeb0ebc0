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
#include "runtime/ObjectState.h"

namespace ns {

// The loop's state, shared with the handles and timers that refer to it, so
// that either may outlive the other.
struct RunLoop::Core {
    explicit Core(Clock& c) : clock(c) {}
    ~Core() {
        if (epoll >= 0) ::close(epoll);
        if (wake >= 0) ::close(wake);
    }

    struct SourceEntry {
        int fd;
        std::string name;
        std::function<void(unsigned)> callback;
    };
    struct ObserverEntry {
        int id;
        std::string name;
        std::function<void()> fn;
    };

    Clock& clock;
    int epoll = -1;
    int wake = -1;  // an eventfd: work queued from another thread, stop()
    mutable std::mutex mutex;  // timers and work: other threads schedule and queue
    std::vector<std::shared_ptr<NSTimer>> timers;  // in scheduling order, which breaks ties
    std::deque<std::function<void()>> work;
    std::map<int, SourceEntry> sources;
    std::vector<ObserverEntry> observers;
    int nextId = 1;
    bool stopRequested = false;
    std::uint64_t wakeups = 0;
    std::atomic<std::thread::id> runningOn{};  // the thread inside run(), if any
};

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

std::shared_ptr<NSTimer> newTimer(double interval, bool repeats) {
    auto timer = rt::cast<NSTimer>(timerClass()->alloc());
    // A timer never fires at once: a zero, negative or NaN interval means the shortest one.
    timer->interval = interval > 0 ? interval : 0.0001;
    timer->fireDate = now() + timer->interval;
    timer->repeats = repeats;
    return timer;
}

}  // namespace

id scheduledTimer(double interval, const id& target, SEL selector, const id& userInfo, bool repeats) {
    auto timer = newTimer(interval, repeats);
    timer->target = target;
    timer->selector = selector;
    timer->userInfo = userInfo;
    RunLoop::main().schedule(timer);
    return timer;
}

id scheduledTimer(double interval, bool repeats, std::function<void(const id& timer)> block, std::string what) {
    auto timer = newTimer(interval, repeats);
    timer->block = std::move(block);
    timer->blockName = std::move(what);
    RunLoop::main().schedule(timer);
    return timer;
}

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
    double t = c.clock.now();
    std::vector<std::shared_ptr<NSTimer>> due;
    {
        std::lock_guard lock(c.mutex);
        for (const auto& timer : c.timers)
            if (timer->fireDate <= t) due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a->fireDate < b->fireDate; });
    for (const auto& timer : due)
        if (timer->fireDate <= t) fire(timer, t);

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
    const double deadline = seconds >= 0 ? clock.now() + seconds : std::numeric_limits<double>::infinity();
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
        double t = clock.now();
        if (t >= deadline) return;
        double until = next > 0 ? std::min(next, deadline) : deadline;
        if (std::isinf(until)) {
            wait = -1;
        } else {
            // Rounded up, so a wake never comes before the fire date and spins.
            double ms = std::max(0.0, std::ceil((until - t) * 1000));
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

void NSTimer::invalidate() {
    if (!valid) return;
    valid = false;
    auto keep = weak_from_this().lock();  // the run loop may hold the last reference
    if (auto core = std::static_pointer_cast<ns::RunLoop::Core>(loop_.lock())) {
        std::lock_guard lock(core->mutex);
        std::erase_if(core->timers, [this](const auto& t) { return t.get() == this; });
    }
    // Released outside the lock: the target's destructor may touch the run loop.
    id releasedTarget = std::move(target);
    id releasedInfo = std::move(userInfo);
    auto releasedBlock = std::move(block);
    target.reset();
    userInfo.reset();
    block = nullptr;
}
