#include "Internal.h"
#include "foundation/RunLoop.h"

namespace ui::detail {

namespace {
class Callback final : public rt::Object {
public:
    std::function<void()> fn;
};

void fireImp(id self, SEL cmd, id) {
    // Moved out first: the function may drop the last reference to this object.
    auto fn = rt::state<Callback>(self, cmd).fn;
    if (fn) fn();
}
}  // namespace

void registerCallbackClass() {
    rt::Class* cls = registerClass<Callback>("_UIKitCallback", rt::NSObjectClass());
    rt::defineMethod(cls, fire, &fireImp);
}

id callback(std::function<void()> fn) {
    auto object = rt::make<Callback>("_UIKitCallback");
    object->fn = std::move(fn);
    return object;
}

id after(double seconds, std::function<void()> fn) {
    return ns::scheduledTimer(seconds, callback(std::move(fn)), fire.sel(), id{}, false);
}

void invalidateTimer(id& timer) {
    if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
    timer.reset();
}

}  // namespace ui::detail
