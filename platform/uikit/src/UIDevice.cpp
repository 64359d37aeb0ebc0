#include "uikit/UIDevice.h"

#include "Internal.h"

namespace ui {

namespace {
DeviceProfile& profile() {
    static auto* p = new DeviceProfile;
    return *p;
}

id currentDeviceImp(id, SEL) {
    static id* device = new id(rt::objc_getClass("UIDevice")->alloc());
    return *device;
}
id modelImp(id, SEL) { return NSStr(profile().model); }
id systemVersionImp(id, SEL) { return NSStr(profile().systemVersion); }
id nameImp(id, SEL) { return NSStr("Orvelle device"); }
long idiomImp(id, SEL) { return profile().model.rfind("iPad", 0) == 0 ? 1 : 0; }
}  // namespace

void configureDevice(const DeviceProfile& p) { profile() = p; }
const DeviceProfile& deviceProfile() { return profile(); }

namespace detail {
void registerDeviceClass() {
    rt::Class* cls = registerClass<UIDevice>("UIDevice", rt::NSObjectClass());
    rt::defineClassMethod(cls, currentDevice, &currentDeviceImp);
    rt::defineMethod(cls, model, &modelImp);
    rt::defineMethod(cls, systemVersion, &systemVersionImp);
    rt::defineMethod(cls, name, &nameImp);
    rt::defineMethod(cls, userInterfaceIdiom, &idiomImp);
}
}  // namespace detail

}  // namespace ui
