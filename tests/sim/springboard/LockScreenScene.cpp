#include "LockScreenScene.h"

#include <fstream>

#include "LockScreen.h"
#include "Screen.h"
#include "Settings.h"
#include "foundation/RunLoop.h"
#include "host/Application.h"
#include "uikit/Layout.h"

namespace tweak_host {

ns::Result<> startScene(const Scene& scene, const std::string& tweakPath) {
    Host host = scene.host;
    host.settings.push_back({"enableOVS", NSNum(scene.panel)});
    if (auto started = startHostWithTweak(host, tweakPath); !started) return started;
    // The tweak's notice of an update was seen long ago.
    if (!std::ofstream(orvelle::kUpdateMarkerFile)) return ns::fail(std::string("cannot write ") + orvelle::kUpdateMarkerFile);
    id application = rt::allocInit("SpringBoard");
    host::applicationDidFinishLaunching(application, application);
    ui::installLayoutPass();
    springboard::startLockScreen();
    ui::layoutPass();
    if (scene.media) springboard::setMediaPlaying(true);
    springboard::setLockState(scene.lock);
    ns::RunLoop::main().advance(scene.runSeconds);
    ui::layoutPass();
    return {};
}

render::Frame sceneFrame(double scale) { return springboard::renderScreenNow(scale); }

}  // namespace tweak_host
