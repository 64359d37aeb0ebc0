#include "uikit/UISwitch.h"

#include "Internal.h"

namespace ui {

using detail::state;

namespace {
bool isOnImp(id self, SEL) { return state<UISwitch>(self, "isOn").on_; }
void setOnImp(id self, SEL, bool on) { state<UISwitch>(self, "setOn:").on_ = on; }
void setOnAnimatedImp(id self, SEL, bool on, bool) { rt::send<void(bool)>(self, "setOn:", on); }
id onTintImp(id self, SEL) { return state<UISwitch>(self, "onTintColor").onTintColor_; }
void setOnTintImp(id self, SEL, id c) { state<UISwitch>(self, "setOnTintColor:").onTintColor_ = c; }
}  // namespace

void toggleSwitch(const id& s) {
    if (!rt::send<bool()>(s, "isEnabled")) return;
    rt::send<void(bool, bool)>(s, "setOn:animated:", !isOn(s), true);
    rt::send<void(unsigned long)>(s, "sendActionsForControlEvents:", static_cast<unsigned long>(UIControlEventValueChanged));
}

namespace detail {
void registerSwitchClass() {
    rt::Class* cls = registerClass<UISwitch>("UISwitch", rt::objc_getClass("UIControl"));
    rt::defineMethod(cls, "isOn", &isOnImp);
    rt::defineMethod(cls, "setOn:", &setOnImp);
    rt::defineMethod(cls, "setOn:animated:", &setOnAnimatedImp);
    rt::defineMethod(cls, "onTintColor", &onTintImp);
    rt::defineMethod(cls, "setOnTintColor:", &setOnTintImp);
}
}  // namespace detail

}  // namespace ui
