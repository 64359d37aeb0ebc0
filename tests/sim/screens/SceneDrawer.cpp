// lockscreen_scene: draws a lock screen inside a device, as SpringBoard starts
// it with the built tweak, and writes it as PNG bytes to standard output.
//   lockscreen_scene [--panel] [--unlocked] [--media] [--scale S] [--locale L] [--tz Z]
// The device (model, version, screen) is the one it runs in: orvelle-sim exec --fresh.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "LockScreenScene.h"
#include "wire/InsidePaths.h"
#include "wire/Profile.h"
#include "foundation/DateFormatter.h"

int main(int argc, char** argv) {
    // The picture alone goes to standard output; what the host says goes with the errors.
    FILE* picture = fdopen(dup(STDOUT_FILENO), "wb");
    dup2(STDERR_FILENO, STDOUT_FILENO);
    tweak_host::Scene scene;
    double scale = 1;
    std::string locale = "en_US", zone = "UTC";
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        bool valued = word == "--scale" || word == "--locale" || word == "--tz";
        if (valued && i + 1 == argc) {
            std::fprintf(stderr, "lockscreen_scene: missing a value after %s\n", word.c_str());
            return 2;
        }
        if (word == "--panel") scene.panel = true;
        else if (word == "--unlocked") scene.lock = springboard::LockState::Unlocked;
        else if (word == "--media") scene.media = true;
        else if (word == "--scale") scale = std::atof(argv[++i]);
        else if (word == "--locale") locale = argv[++i];
        else if (word == "--tz") zone = argv[++i];
        else {
            std::fprintf(stderr, "lockscreen_scene: unknown argument \"%s\"\n", word.c_str());
            return 2;
        }
    }
    try {
        sim::Profile profile = sim::readProfile(sim::inside::kProfile);
        scene.host.model = profile.model;
        scene.host.version = profile.systemVersion;
        scene.host.width = profile.screenWidth;
        scene.host.height = profile.screenHeight;
        ns::setDefaultLocale(locale);
        ns::setDefaultTimeZone(zone);
        if (auto started = tweak_host::startScene(scene, ORVELLE_TWEAK_PATH); !started) {
            std::fprintf(stderr, "lockscreen_scene: %s\n", started.reason().c_str());
            return 1;
        }
        std::string png = tweak_host::sceneFrame(scale > 0 ? scale : 1).encodePNG();
        if (png.empty() || !picture || std::fwrite(png.data(), 1, png.size(), picture) != png.size() ||
            std::fflush(picture) != 0) {
            std::fprintf(stderr, "lockscreen_scene: cannot write the picture to standard output\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lockscreen_scene: %s\n", e.what());
        return 1;
    }
    std::_Exit(0);  // as SpringBoard ends: without tearing its object world down
}
