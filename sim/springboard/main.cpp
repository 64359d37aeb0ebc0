// SpringBoard: the home-screen process of a device. It takes the device's
// model, system version and screen from the profile (/run/device/profile.plist,
// or --profile FILE), registers the host classes of that system version, loads
// the tweaks, launches the application and runs the main run loop.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "ControlServer.h"
#include "HostClass.h"
#include "device/InsidePaths.h"
#include "device/Profile.h"
#include "foundation/RunLoop.h"
#include "substrate/Loader.h"
#include "uikit/Layout.h"
#include "uikit/UIDevice.h"

namespace {

struct Options {
    std::string profile = sim::inside::kProfile;
    std::string tweaks = sim::inside::kDynamicLibraries;
    std::string control = sim::inside::kControlSocket;
};

const char* const kUsage =
    "usage: SpringBoard [--profile FILE] [--tweaks FOLDER] [--control SOCKET]\n"
    "The home-screen process of a device; its supervisor starts it inside the device's sandbox.\n"
    "  --profile  the device profile (default /run/device/profile.plist)\n"
    "  --tweaks   the folder of tweak libraries (default /Library/MobileSubstrate/DynamicLibraries)\n"
    "  --control  the control socket (default /run/device/run/springboard.sock)\n";

int majorVersion(const std::string& version) {
    int major = 0;
    std::from_chars(version.data(), version.data() + version.size(), major);
    return major;
}

int launch(const Options& options) {
    sim::Profile profile = sim::readProfile(options.profile);
    ui::DeviceProfile device;
    device.model = profile.model;
    device.systemVersion = profile.systemVersion;
    device.screenWidth = profile.screenWidth;
    device.screenHeight = profile.screenHeight;
    device.scale = profile.screenScale;
    ui::configureDevice(device);

    springboard::registerAllHostClasses(majorVersion(profile.systemVersion));

    springboard::ControlServer control;
    control.start(options.control, {
                                       {"ping", [](const std::string&) { return std::string("pong"); }},
                                       {"pid", [](const std::string&) { return std::to_string(getpid()); }},
                                   });

    substrate::LoaderProcess process{"SpringBoard", {"com.apple.springboard"},
                                     substrate::coreFoundationVersionFor(profile.systemVersion)};
    substrate::loadTweaks(options.tweaks, process);

    id application = rt::allocInit("SpringBoard");
    rt::send<void(id)>(application, "applicationDidFinishLaunching:", application);
    ui::installLayoutPass();
    std::printf("SpringBoard: up (pid %d, %s %s, %gx%g@%g)\n", static_cast<int>(getpid()), profile.model.c_str(),
                profile.systemVersion.c_str(), profile.screenWidth, profile.screenHeight, profile.screenScale);
    ns::RunLoop::main().run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Each line reaches the device log at once.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::string* target = word == "--profile" ? &options.profile
                              : word == "--tweaks" ? &options.tweaks
                              : word == "--control" ? &options.control
                                                    : nullptr;
        if (!target || i + 1 == argc) {
            std::fprintf(stderr, "SpringBoard: %s \"%s\"\n%s", target ? "missing a value after" : "unknown argument",
                         word.c_str(), kUsage);
            return 2;
        }
        *target = argv[++i];
    }
    try {
        return launch(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "SpringBoard: cannot start: %s\n", e.what());
        return 1;
    }
}
