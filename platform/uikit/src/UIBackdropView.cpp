#include "uikit/UIBackdropView.h"

#include "Internal.h"

namespace ui {

namespace {
id initWithPrivateStyleImp(id self, SEL cmd, int privateStyle) {
    id result = initWithFrame(self, CGRectZero);
    rt::state<UIBackdropView>(result, cmd).privateStyle_ = privateStyle;
    return result;
}
int styleImp(id self, SEL cmd) { return rt::state<UIBackdropView>(self, cmd).privateStyle_; }
}  // namespace

namespace detail {
void registerBackdropViewClass() {
    rt::Class* cls = registerClass<UIBackdropView>("_UIBackdropView", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, initWithPrivateStyle, &initWithPrivateStyleImp);
    rt::defineMethod(cls, style, &styleImp);
}
}  // namespace detail

}  // namespace ui
