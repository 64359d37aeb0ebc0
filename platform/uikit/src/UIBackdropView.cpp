#include "uikit/UIBackdropView.h"

#include "Internal.h"

namespace ui {

namespace {
id initWithPrivateStyleImp(id self, SEL, int style) {
    id result = rt::send<id(CGRect)>(self, "initWithFrame:", CGRectZero);
    detail::state<UIBackdropView>(result, "initWithPrivateStyle:").privateStyle_ = style;
    return result;
}
int styleImp(id self, SEL) { return detail::state<UIBackdropView>(self, "style").privateStyle_; }
}  // namespace

namespace detail {
void registerBackdropViewClass() {
    rt::Class* cls = registerClass<UIBackdropView>("_UIBackdropView", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, "initWithPrivateStyle:", &initWithPrivateStyleImp);
    rt::defineMethod(cls, "style", &styleImp);
}
}  // namespace detail

}  // namespace ui
