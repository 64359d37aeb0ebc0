// The device's profile handed to the toolkit, for the device's programs that
// draw (SpringBoard, Preferences); they link the toolkit, the device library
// does not.
#pragma once

#include "wire/DeviceModels.h"
#include "wire/Profile.h"
#include "uikit/UIDevice.h"

namespace sim {

inline void configureToolkit(const Profile& profile) {
    ui::DeviceProfile device;
    device.model = profile.model;
    device.systemVersion = profile.systemVersion;
    device.screenWidth = profile.screenWidth;
    device.screenHeight = profile.screenHeight;
    device.scale = profile.screenScale;
    if (const Screen* screen = findScreen(profile.model, profile.screenWidth, profile.screenHeight))
        device.statusBarHeight = screen->statusBarHeight;
    ui::configureDevice(device);
}

}  // namespace sim
