#include "uikit/UIScreen.h"

#include "Internal.h"
#include "uikit/UIDevice.h"

namespace ui {

namespace {
id mainScreenImp(id, SEL) { return detail::mainScreenObject(); }
CGRect boundsImp(id, SEL) {
    const auto& p = deviceProfile();
    return CGRectMake(0, 0, p.screenWidth, p.screenHeight);
}
double scaleImp(id, SEL) { return deviceProfile().scale; }
}  // namespace

namespace detail {
void registerScreenClass() {
    rt::Class* cls = registerClass<UIScreen>("UIScreen", rt::NSObjectClass());
    rt::defineClassMethod(cls, mainScreen, &mainScreenImp);
    rt::defineMethod(cls, bounds, &boundsImp);
    rt::defineMethod(cls, scale, &scaleImp);
    rt::defineMethod(cls, nativeScale, &scaleImp);
}
}  // namespace detail

}  // namespace ui
