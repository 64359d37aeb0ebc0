// NSTimer as a class of the runtime, the scheduling functions, and the
// Timer handle that the platform's own code owns its timers through.
#include "foundation/Timer.h"

#include <algorithm>

#include "RunLoopCore.h"
#include "foundation/Objects.h"
#include "runtime/ObjectState.h"

namespace ns {

namespace {

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

std::shared_ptr<NSTimer> newTimer(double interval, bool repeats, bool onPace = false) {
    auto timer = rt::cast<NSTimer>(timerClass()->alloc());
    // A timer never fires at once: a zero, negative or NaN interval means the shortest one.
    timer->interval = interval > 0 ? interval : 0.0001;
    timer->onPace = onPace;
    timer->fireDate = (onPace ? pace() : now()) + timer->interval;
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


Timer Timer::after(double seconds, std::string what, std::function<void()> fn) {
    return Timer(scheduledTimer(seconds, false, [fn = std::move(fn)](const id&) { fn(); }, std::move(what)));
}

Timer Timer::afterReal(double seconds, std::string what, std::function<void()> fn) {
    auto timer = newTimer(seconds, false, true);
    timer->block = [fn = std::move(fn)](const id&) { fn(); };
    timer->blockName = std::move(what);
    RunLoop::main().schedule(timer);
    return Timer(timer);
}

Timer Timer::every(double seconds, std::string what, std::function<void()> fn) {
    return Timer(scheduledTimer(seconds, true, [fn = std::move(fn)](const id&) { fn(); }, std::move(what)));
}

void Timer::cancel() {
    if (auto t = rt::cast<NSTimer>(timer_)) t->invalidate();
    timer_ = nullptr;
}

bool Timer::scheduled() const {
    auto t = rt::cast<NSTimer>(timer_);
    return t && t->valid;
}

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
