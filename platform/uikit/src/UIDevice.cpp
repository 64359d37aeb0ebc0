#include "uikit/UIDevice.h"

#include "Internal.h"
#include "foundation/Process.h"

namespace ui {

namespace {
// The device this process runs on: a part of the process, so a test's fresh
// process state is a fresh device.
struct ThisDevice {
    DeviceProfile profile;
    id device;
    id screen;
};

ThisDevice& thisDevice() { return ns::Process::current().part<ThisDevice>(); }
DeviceProfile& profile() { return thisDevice().profile; }

id currentDeviceImp(id, SEL) {
    id& device = thisDevice().device;
    if (!device) device = rt::objc_getClass("UIDevice")->alloc();
    return device;
}
id modelImp(id, SEL) { return NSStr(profile().model); }
id systemVersionImp(id, SEL) { return NSStr(profile().systemVersion); }
id nameImp(id, SEL) { return NSStr("Orvelle device"); }
long idiomImp(id, SEL) { return profile().model.rfind("iPad", 0) == 0 ? 1 : 0; }
}  // namespace

void configureDevice(const DeviceProfile& p) { profile() = p; }
const DeviceProfile& deviceProfile() { return profile(); }

namespace detail {
id mainScreenObject() {
    id& screen = thisDevice().screen;
    if (!screen) screen = rt::objc_getClass("UIScreen")->alloc();
    return screen;
}

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
