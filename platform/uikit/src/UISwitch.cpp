#include "uikit/UISwitch.h"

#include "Internal.h"

namespace ui {

namespace {
bool isOnImp(id self, SEL cmd) { return rt::state<UISwitch>(self, cmd).on_; }
void setOnImp(id self, SEL cmd, bool on) { rt::state<UISwitch>(self, cmd).on_ = on; }
void setOnAnimatedImp(id self, SEL, bool on, bool) { setOn(self, on); }
id onTintImp(id self, SEL cmd) { return rt::state<UISwitch>(self, cmd).onTintColor_; }
void setOnTintImp(id self, SEL cmd, id c) { rt::state<UISwitch>(self, cmd).onTintColor_ = c; }
}  // namespace

void toggleSwitch(const id& s) {
    if (!isEnabled(s)) return;
    setOn_animated(s, !isOn(s), true);
    sendActionsForControlEvents(s, UIControlEventValueChanged);
}

namespace detail {
void registerSwitchClass() {
    rt::Class* cls = registerClass<UISwitch>("UISwitch", rt::objc_getClass("UIControl"));
    rt::defineMethod(cls, isOn, &isOnImp);
    rt::defineMethod(cls, setOn, &setOnImp);
    rt::defineMethod(cls, setOn_animated, &setOnAnimatedImp);
    rt::defineMethod(cls, onTintColor, &onTintImp);
    rt::defineMethod(cls, setOnTintColor, &setOnTintImp);
}
}  // namespace detail

}  // namespace ui
