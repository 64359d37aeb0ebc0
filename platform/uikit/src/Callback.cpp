#include "Internal.h"
#include "foundation/RunLoop.h"

namespace ui::detail {

namespace {
class Callback final : public rt::Object {
public:
    std::function<void()> fn;
};

void fire(id self, SEL, id) {
    // Moved out first: the function may drop the last reference to this object.
    auto fn = state<Callback>(self, "fire:").fn;
    if (fn) fn();
}
}  // namespace

void registerCallbackClass() {
    rt::Class* cls = registerClass<Callback>("_UIKitCallback", rt::NSObjectClass());
    rt::defineMethod(cls, "fire:", &fire);
}

id callback(std::function<void()> fn) {
    id object = rt::alloc(rt::objc_getClass("_UIKitCallback"));
    state<Callback>(object, "callback").fn = std::move(fn);
    return object;
}

id after(double seconds, std::function<void()> fn) {
    return ns::scheduledTimer(seconds, callback(std::move(fn)), rt::sel_registerName("fire:"), id{}, false);
}

void invalidateTimer(id& timer) {
    if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
    timer.reset();
}

}  // namespace ui::detail
