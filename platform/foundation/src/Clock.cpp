#include <atomic>
#include <chrono>

#include "foundation/RunLoop.h"
#include "ClockControl.h"

namespace ns {

namespace {

std::atomic<bool> isVirtual{false};
std::atomic<double> virtualNow{0};

double realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
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

double now() { return isVirtual.load() ? virtualNow.load() : realNow(); }

bool clockIsVirtual() { return isVirtual.load(); }

void useVirtualClock(double startSeconds) {
    virtualNow.store(startSeconds);
    isVirtual.store(true);
}

void useRealClock() { isVirtual.store(false); }

// Moves the virtual clock; never backwards, so "now" is monotonic within a run.
void setVirtualNow(double seconds) {
    double current = virtualNow.load();
    while (seconds > current && !virtualNow.compare_exchange_weak(current, seconds)) {
    }
}

}  // namespace ns
