// The status bar's overrides from anywhere (the tool and the page will send
// them): arbitrary carrier bytes, signal, battery and charging through the
// checks, and what they let through drawn in both layouts of the bar.
#include <cstddef>
#include <cstdint>
#include <string>

#include "StatusBarState.h"
#include "renderer/Renderer.h"
#include "uikit/UIDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    ui::DeviceProfile device;
    device.systemVersion = data[2] & 4 ? "11.1.2" : "10.3.3";
    if (data[2] & 2) {
        device.screenHeight = 812;
        device.statusBarHeight = 44;
    }
    ui::configureDevice(device);
    springboard::StatusBarOverrides o;
    o.signal = static_cast<std::int8_t>(data[0]);
    o.battery = static_cast<std::int8_t>(data[1]);
    o.charging = (data[2] & 1) != 0;
    o.carrier = std::string(reinterpret_cast<const char*>(data + 3), size - 3);
    if (springboard::setStatusBarOverrides(o)) {
        render::RenderOptions options;
        options.height = device.statusBarHeight;
        options.scale = 1;
        options.statusBar = springboard::statusBarContent();
        options.alerts = false;
        render::renderScreen(options);
    }
    springboard::clearStatusBarOverrides();
    return 0;
}
