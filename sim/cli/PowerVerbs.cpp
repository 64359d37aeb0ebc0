// boot, shutdown, status and respring.
#include <cstdio>

#include "Args.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/Control.h"
#include "device/Keeper.h"

namespace cli {

namespace {

sim::Device deviceOf(const Args& args) {
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    return device;
}

}  // namespace

int bootVerb(const std::vector<std::string>& words) {
    Args args(words, {"time", "locale", "tz"}, {});
    if (args.help()) return printUsage("boot");
    sim::Device device = deviceOf(args);
    sim::BootOptions options;
    options.time = args.option("time").value_or("");
    options.locale = args.option("locale").value_or("");
    options.timeZone = args.option("tz").value_or("");
    sim::boot(device, options);
    auto pid = sim::askSpringBoard(device, "pid");
    std::printf("booted %s (SpringBoard pid %s)\n", device.folder().c_str(), pid ? pid->c_str() : "?");
    return 0;
}

int shutdownVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("shutdown");
    sim::shutdown(deviceOf(args));
    return 0;
}

int statusVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("status");
    sim::Device device = deviceOf(args);
    auto state = sim::bootState(device);
    if (!state) {
        std::printf("shut down\n");
        return 0;
    }
    std::printf("booted (supervisor pid %d)\n", static_cast<int>(state->supervisor));
    if (auto safe = sim::safeModeOf(device))
        std::printf("safe mode: %s; to blame: %s; report: %s\n", safe->why.c_str(), safe->culprits.c_str(),
                    safe->report.c_str());
    for (const auto& program : sim::programs(device)) std::printf("%s %d\n", program.name.c_str(), static_cast<int>(program.pid));
    return 0;
}

int respringVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {"normal"});
    if (args.help()) return printUsage("respring");
    sim::Device device = deviceOf(args);
    if (args.flag("normal")) sim::leaveSafeMode(device);
    pid_t pid = sim::respring(device);
    std::printf("SpringBoard is up again (pid %d)\n", static_cast<int>(pid));
    return 0;
}

}  // namespace cli
