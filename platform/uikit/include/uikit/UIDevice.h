// The device: model and system version, and the one call that configures the
// simulated device's answers (device, screen and application).
#pragma once

#include <string>

#include "foundation/Objects.h"

class UIDevice : public rt::Object {};

namespace ui {

inline constinit const rt::ClassMsg<id()> currentDevice{"UIDevice", "currentDevice"};
inline constinit const rt::Msg<id()> model{"model"};
inline constinit const rt::Msg<id()> systemVersion{"systemVersion"};
inline constinit const rt::Msg<id()> name{"name"};
// 1 when the model begins with "iPad", else 0.
inline constinit const rt::Msg<long()> userInterfaceIdiom{"userInterfaceIdiom"};

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

}  // namespace ui
