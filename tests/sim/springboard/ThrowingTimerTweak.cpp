// A tweak whose timer throws every second it fires: the home screen must log
// it, keep its pid and keep its run loop going.
#include <stdexcept>

#include "foundation/RunLoop.h"

namespace {

void tick(id, SEL, id) { throw std::runtime_error("the probe's timer failed on purpose"); }

__attribute__((constructor)) void scheduleThrowingTimer() {
    rt::Class* cls = rt::objc_registerClass("ThrowingTimerProbe", rt::NSObjectClass());
    rt::defineMethod(cls, "tick:", &tick);
    ns::scheduledTimer(1, rt::allocInit(cls), rt::sel_registerName("tick:"), {}, true);
}

}  // namespace
