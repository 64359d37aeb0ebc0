// The device: model and system version, and the one call that configures the
// simulated device's answers (device, screen and application).
#pragma once

#include <string>

#include "foundation/Objects.h"

class UIDevice : public rt::Object {};

// Class method: currentDevice. Methods: model, systemVersion,
// name (id(): NSString), userInterfaceIdiom (long(): 1 when the model begins with
// "iPad", else 0).

namespace ui {

struct DeviceProfile {
    std::string model = "iPhone";
    std::string systemVersion = "10.3.3";
    double screenWidth = 375;
    double screenHeight = 667;
    double scale = 2;
    double statusBarHeight = 20;
};
// Replaces the whole profile; later questions answer from it.
void configureDevice(const DeviceProfile& profile);
const DeviceProfile& deviceProfile();

inline id currentDevice() { return rt::sendClass<id()>(rt::objc_getClass("UIDevice"), "currentDevice"); }
inline std::string deviceModel() { return str(rt::send<id()>(currentDevice(), "model")); }
inline std::string systemVersion() { return str(rt::send<id()>(currentDevice(), "systemVersion")); }

}  // namespace ui
