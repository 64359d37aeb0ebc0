// Start-up: runs when the library is loaded into the home-screen process,
// before any lock-screen object exists.
#include <exception>

#include "Settings.h"
#include "Tweak/HookTable.h"
#include "Tweak/System.h"
#include "Tweak/WeatherHooks.h"
#include "foundation/Log.h"
#include "uikit/UIDevice.h"

namespace {

// A load routine runs inside the host's loading of the library: nothing may
// escape it, or the home screen ends before it has started.
template <class F>
void atLoad(const char* what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        NSLog("OVS: %s failed: %s", what, e.what());
    } catch (...) {
        NSLog("OVS: %s failed", what);
    }
}

__attribute__((constructor(201))) void orvelleStart() {
    atLoad("start-up", [] {
        if (orvelle::eee() != 999.0) return;
        if (isEqualToString(ui::model(ui::currentDevice()), "iPad")) return;
        orvelle::installHooks();
    });
}

__attribute__((constructor(202))) void orvelleCapturedImage() {
    atLoad("the captured weather image", [] { orvelle::startCapturedWeather(); });
}

}  // namespace
