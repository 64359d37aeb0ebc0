#include "foundation/Clock.h"

#include <chrono>

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
        case Mode::RealPaceFrom: return paceStart_ + (steadyNow() - paceOriginSteady_);
        case Mode::Real: break;
    }
    return realNow();
}

void Clock::useReal() { mode_ = Mode::Real; }

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

double now() { return Process::current().clock().now(); }
bool clockIsVirtual() { return Process::current().clock().isVirtual(); }
void useVirtualClock(double startSeconds) { Process::current().clock().useVirtual(startSeconds); }
void useRealClock() { Process::current().clock().useReal(); }
void useRealPaceFrom(double startSeconds) { Process::current().clock().useRealPaceFrom(startSeconds); }

}  // namespace ns
