#include "foundation/Clock.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "runtime/ObjectState.h"

namespace ns {

namespace {

double realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double steadyNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

id dateNow(id, SEL) { return NSDateNew(now()); }

double dateTimeIntervalSince1970(id self, SEL) { return rt::cast<NSDate>(self)->timeIntervalSince1970; }

__attribute__((constructor)) void registerDateMethods() {
    registerFoundationClasses();
    rt::Class* cls = rt::objc_getClass("NSDate");
    rt::defineClassMethod(cls, date, &dateNow);
    rt::defineMethod(cls, timeIntervalSince1970, &dateTimeIntervalSince1970);
}

}  // namespace

double Clock::now() const {
    switch (mode_) {
        case Mode::Virtual: return virtualNow_;
        case Mode::RealPaceFrom: return paceStart_ + (steadyNow() - paceOriginSteady_) * rate();
        case Mode::Real: break;
    }
    return realNow();
}

double Clock::pace() const { return mode_ == Mode::Virtual ? virtualNow_ : steadyNow(); }

double Clock::realSecondsUntil(double when) const {
    const double ahead = when - now();
    if (ahead <= 0) return 0;
    if (mode_ == Mode::Virtual) return ahead;
    const double r = rate();
    return r > 0 ? ahead / r : std::numeric_limits<double>::infinity();
}

void Clock::useReal() {
    mode_ = Mode::Real;
    rate_ = 1;
    paused_ = false;
}

void Clock::useRealPaceFrom(double start) {
    paceStart_ = start;
    paceOriginSteady_ = steadyNow();
    mode_ = Mode::RealPaceFrom;
}

void Clock::useVirtual(double start) {
    virtualNow_ = start;
    mode_ = Mode::Virtual;
}

void Clock::moveVirtualTo(double seconds) {
    if (mode_ == Mode::Virtual && seconds > virtualNow_) virtualNow_ = seconds;
}

void Clock::rebase() {
    if (mode_ == Mode::Virtual) return;
    const double t = now();
    paceStart_ = t;
    paceOriginSteady_ = steadyNow();
    mode_ = Mode::RealPaceFrom;
}

void Clock::setTo(double seconds) {
    if (mode_ == Mode::Virtual) {
        virtualNow_ = seconds;
        return;
    }
    rebase();
    paceStart_ = seconds;
}

void Clock::setRate(double rate) {
    rebase();
    rate_ = rate;
}

void Clock::pause() {
    rebase();
    paused_ = true;
}

void Clock::resume() {
    rebase();
    paused_ = false;
}

double now() { return Process::current().clock().now(); }
double pace() { return Process::current().clock().pace(); }
bool clockIsVirtual() { return Process::current().clock().isVirtual(); }
void useVirtualClock(double startSeconds) { Process::current().clock().useVirtual(startSeconds); }
void useRealClock() { Process::current().clock().useReal(); }
void useRealPaceFrom(double startSeconds) { Process::current().clock().useRealPaceFrom(startSeconds); }

void setClockTo(double seconds) {
    Clock& clock = Process::current().clock();
    const double before = clock.now();
    clock.setTo(seconds);
    Process::current().runLoop().clockJumped(before, clock.now());
}

void advanceClock(double seconds) { setClockTo(now() + seconds); }

void setClockRate(double rate) {
    Process::current().clock().setRate(rate);
    Process::current().runLoop().clockChanged();
}

void pauseClock() {
    Process::current().clock().pause();
    Process::current().runLoop().clockChanged();
}

void resumeClock() {
    Process::current().clock().resume();
    Process::current().runLoop().clockChanged();
}

}  // namespace ns
