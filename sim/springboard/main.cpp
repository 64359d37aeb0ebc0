// SpringBoard: the home-screen process of a device. It takes the device's
// model, system version and screen from the profile (/run/device/profile.plist,
// or --profile FILE), registers the host classes of that system version, loads
// the tweaks, launches the application, starts the lock screen and runs the
// main run loop. With --dump or --screenshot it is a headless one-shot instead:
// on a virtual clock from --at, it runs --run seconds, writes the dump document
// and the screen's picture, and exits.
#include <malloc.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "ControlServer.h"
#include "DeviceClock.h"
#include "NotificationStore.h"
#include "WorkbenchCommands.h"
#include "HostClass.h"
#include "LockScreen.h"
#include "PanelStatus.h"
#include "LockScreenCommands.h"
#include "Screen.h"
#include "dump/IsoTime.h"
#include "crash/CrashNote.h"
#include "wire/DeviceModels.h"
#include "wire/InsidePaths.h"
#include "wire/Profile.h"
#include "inside/ToolkitProfile.h"
#include "foundation/RunLoop.h"
#include "host/Application.h"
#include "substrate/Loader.h"
#include "uikit/Layout.h"

namespace {

struct Options {
    std::string profile = sim::inside::kProfile;
    std::string tweaks = sim::inside::kDynamicLibraries;
    std::string control = sim::inside::kControlSocket;
    std::string dumpFile;        // one-shot when this
    std::string screenshotFile;  // or this is set
    std::string at;
    std::string run = "2";
    // Started after crashes right at the start: no tweaks; the libraries to blame.
    std::string safeMode;
};

const char* const kUsage =
    "usage: SpringBoard [--profile FILE] [--tweaks FOLDER] [--control SOCKET]\n"
    "The home-screen process of a device; its supervisor starts it inside the device's sandbox.\n"
    "  --profile  the device profile (default /run/device/profile.plist)\n"
    "  --tweaks   the folder of tweak libraries (default /Library/MobileSubstrate/DynamicLibraries)\n"
    "  --control  the control socket (default /run/device/run/springboard.sock)\n"
    "  --dump     run headless on a virtual clock, write the dump document to this file and exit\n"
    "  --screenshot  the same, writing the screen as a PNG file (both may be given)\n"
    "  --at       headless: the clock's start, ISO 8601 (default: now)\n"
    "  --run      headless: seconds to run before the dump (default 2)\n"
    "  --safe-mode LIBRARIES  start without tweaks, after SpringBoard kept crashing with these (comma-separated, or -)\n"
    "A booted device's clock starts at ORVELLE_TIME (ISO 8601) when it is set.\n";

int majorVersion(const std::string& version) {
    int major = 0;
    std::from_chars(version.data(), version.data() + version.size(), major);
    return major;
}

double parseTime(const std::string& text, const char* what) {
    auto t = dump::parseIsoTime(text);
    if (!t) throw std::runtime_error(std::string(what) + " \"" + text + "\" is not an ISO 8601 time like 2026-12-07T21:05:02");
    return *t;
}

// Set once the run loop starts: a failure after that is not a failure to start.
bool running = false;

int launch(const Options& options) {
    bool oneShot = !options.dumpFile.empty() || !options.screenshotFile.empty();
    double runSeconds = 0;
    if (oneShot) {
        char* end = nullptr;
        runSeconds = std::strtod(options.run.c_str(), &end);
        if (end == options.run.c_str() || *end || !(runSeconds >= 0) || runSeconds > 86400)
            throw std::runtime_error("--run \"" + options.run + "\" is not a number of seconds from 0 to 86400");
        ns::useVirtualClock(options.at.empty() ? ns::now() : parseTime(options.at, "--at"));
    } else {
        // The clock as held in hand before a restart, else from the boot's
        // time at the real pace, else the real one.
        springboard::startClock(sim::inside::kClockRecord, std::getenv("ORVELLE_TIME"));
    }

    // The device it is, as the table of devices has it; the tool checked it too.
    sim::DeviceChoice given;
    if (const char* locale = std::getenv("ORVELLE_LOCALE"); locale && *locale) given.locale = locale;
    if (const char* zone = std::getenv("ORVELLE_TZ"); zone && *zone) given.timeZone = zone;
    auto checked = sim::chooseDevice(sim::readProfile(options.profile), given);
    if (!checked) throw std::runtime_error(checked.reason());
    sim::Profile profile = *checked;
    sim::configureToolkit(profile);

    springboard::registerAllHostClasses(majorVersion(profile.systemVersion));

    auto handlers = springboard::lockScreenHandlers();
    handlers.merge(springboard::workbenchHandlers());
    springboard::useNotificationStore(springboard::kNotificationStore);
    using C = wire::ToSpringBoard;
    handlers[C::kPing] = [](const C&, wire::Answer& a, const auto&) { a.mutable_pong()->set_pid(getpid()); };
    // The loader's decision for each library it saw at this start.
    // Answered for as long as the process runs (launch never returns while it does).
    auto outcomes = std::make_shared<std::vector<substrate::LoadOutcome>>();
    handlers[C::kTweaks] = [safe = !options.safeMode.empty(), outcomes](const C&, wire::Answer& a, const auto&) {
        wire::TweaksReport& report = *a.mutable_tweaks();
        report.set_safe_mode(safe);
        for (const auto& o : *outcomes) {
            wire::LoaderDecision& d = *report.add_libraries();
            d.set_library(o.library);
            d.set_loaded(o.loaded);
            d.set_reason(o.reason);
        }
        const springboard::PanelStatus panel = springboard::panelStatus();
        report.mutable_panel()->set_shown(panel.shown);
        report.mutable_panel()->set_reason(panel.reason);
    };
    std::optional<springboard::ControlServer> control;
    if (!oneShot) control.emplace(options.control, std::move(handlers));

    if (!oneShot) {
        crash::installCrashNote("SpringBoard");
        crash::keepLoaderProgress(std::string(sim::inside::kRunFolder) + "/SpringBoard.loading");
    }
    if (options.safeMode.empty()) {
        substrate::LoaderProcess process{"SpringBoard", {"com.apple.springboard"},
                                         substrate::coreFoundationVersionFor(profile.systemVersion)};
        *outcomes = substrate::loadTweaks(options.tweaks, process, {}, {crash::noteLoading, crash::noteLoaded});
    } else {
        std::printf("SpringBoard: safe mode: tweaks are not loaded (SpringBoard kept crashing%s)\n",
                    options.safeMode == "-" ? "" : (" with " + options.safeMode).c_str());
    }
    springboard::recordPanelStatus(*outcomes, !options.safeMode.empty());

    id application = rt::allocInit("SpringBoard");
    host::applicationDidFinishLaunching(application, application);
    ui::installLayoutPass();
    springboard::startLockScreen();
    if (!options.safeMode.empty()) springboard::showSafeModeBanner(options.safeMode);
    if (oneShot) {
        ns::RunLoop::main().advance(runSeconds);
        if (!options.dumpFile.empty()) {
            std::string text = springboard::dumpText() + "\n";
            FILE* out = std::fopen(options.dumpFile.c_str(), "w");
            if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
                throw std::runtime_error("cannot write the dump to " + options.dumpFile);
        }
        if (!options.screenshotFile.empty()) springboard::screenshotCommand(options.screenshotFile);
        // Like any home screen, it ends without tearing its object world down.
        std::fflush(nullptr);
        _exit(0);
    }
    std::printf("SpringBoard: up (pid %d, %s %s, %gx%g@%g)\n", static_cast<int>(getpid()), profile.model.c_str(),
                profile.systemVersion.c_str(), profile.screenWidth, profile.screenHeight, profile.screenScale);
    running = true;
    ns::RunLoop::main().run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Each line reaches the device log at once.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // The live screen draws frames of several megabytes many times a second:
    // kept on the heap, their pages are reused instead of mapped, faulted in
    // and given back for every frame.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
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
                              : word == "--dump"    ? &options.dumpFile
                              : word == "--screenshot" ? &options.screenshotFile
                              : word == "--at"      ? &options.at
                              : word == "--run"     ? &options.run
                              : word == "--safe-mode" ? &options.safeMode
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
        std::fprintf(stderr, "SpringBoard: %s: %s\n", running ? "stopped by a failure while running" : "cannot start",
                     e.what());
        return 1;
    }
}
