#include "TimerTarget.h"

#include "foundation/RunLoop.h"

namespace springboard {

namespace {

class TimerTarget : public rt::Object {
public:
    std::function<void(const id&)> work;
};

void fireImp(id self, SEL cmd, id timer) {
    auto& target = rt::state<TimerTarget>(self, cmd);
    if (target.work) target.work(timer);
}

rt::Class* targetClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_getClass("_SBHostTimerTarget");
        if (c) return c;
        c = rt::objc_registerClass("_SBHostTimerTarget", rt::NSObjectClass(), rt::factoryFor<TimerTarget>());
        rt::defineMethod(c, fire, &fireImp);
        return c;
    }();
    return cls;
}

}  // namespace

id scheduleHostTimer(double interval, bool repeats, std::function<void(const id& timer)> work) {
    id target = rt::allocInit(targetClass());
    rt::cast<TimerTarget>(target)->work = std::move(work);
    return ns::scheduledTimer(interval, target, fire.sel(), id{}, repeats);
}

}  // namespace springboard
