#include "uikit/UIControl.h"

#include "Internal.h"

namespace ui {

namespace {
void addTargetImp(id self, SEL cmd, id target, SEL action, unsigned long events) {
    if (!action) return;
    rt::state<UIControl>(self, cmd).targets_.push_back({target, action, events});
}
void sendActionsImp(id self, SEL cmd, unsigned long events) {
    std::vector<UIControl::Target> targets = rt::state<UIControl>(self, cmd).targets_;
    for (const auto& t : targets)
        if (t.events & events)
            if (id target = t.target.lock()) rt::sendAction(target, t.action, self);
}
bool isEnabledImp(id self, SEL cmd) { return rt::state<UIControl>(self, cmd).enabled_; }
void setEnabledImp(id self, SEL cmd, bool e) { rt::state<UIControl>(self, cmd).enabled_ = e; }
}  // namespace

namespace detail {
void registerControlClass() {
    rt::Class* cls = registerClass<UIControl>("UIControl", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, addTarget_action_forControlEvents, &addTargetImp);
    rt::defineMethod(cls, sendActionsForControlEvents, &sendActionsImp);
    rt::defineMethod(cls, isEnabled, &isEnabledImp);
    rt::defineMethod(cls, setEnabled, &setEnabledImp);
}
}  // namespace detail

}  // namespace ui
