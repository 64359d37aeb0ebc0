#include "uikit/UIControl.h"

#include "Internal.h"

namespace ui {

using detail::state;

namespace {
void addTargetImp(id self, SEL, id target, SEL action, unsigned long events) {
    if (!action) return;
    state<UIControl>(self, "addTarget:action:forControlEvents:").targets_.push_back({target, action, events});
}
void sendActionsImp(id self, SEL, unsigned long events) {
    std::vector<UIControl::Target> targets = state<UIControl>(self, "sendActionsForControlEvents:").targets_;
    for (const auto& t : targets)
        if (t.events & events)
            if (id target = t.target.lock()) rt::sendAction(target, t.action, self);
}
bool isEnabledImp(id self, SEL) { return state<UIControl>(self, "isEnabled").enabled_; }
void setEnabledImp(id self, SEL, bool e) { state<UIControl>(self, "setEnabled:").enabled_ = e; }
}  // namespace

namespace detail {
void registerControlClass() {
    rt::Class* cls = registerClass<UIControl>("UIControl", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, "addTarget:action:forControlEvents:", &addTargetImp);
    rt::defineMethod(cls, "sendActionsForControlEvents:", &sendActionsImp);
    rt::defineMethod(cls, "isEnabled", &isEnabledImp);
    rt::defineMethod(cls, "setEnabled:", &setEnabledImp);
}
}  // namespace detail

}  // namespace ui
