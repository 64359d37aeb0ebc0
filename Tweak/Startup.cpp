// Start-up: runs when the library is loaded into the home-screen process,
// before any lock-screen object exists.
#include "Settings.h"
#include "Tweak/HookTable.h"
#include "Tweak/System.h"
#include "Tweak/WeatherHooks.h"
#include "uikit/UIDevice.h"

namespace {

__attribute__((constructor(201))) void orvelleStart() {
    if (orvelle::eee() != 999.0) return;
    if (isEqualToString(ui::model(ui::currentDevice()), "iPad")) return;
    orvelle::installHooks();
}

__attribute__((constructor(202))) void orvelleCapturedImage() { orvelle::startCapturedWeather(); }

}  // namespace
