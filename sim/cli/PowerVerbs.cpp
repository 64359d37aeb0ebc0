// boot, shutdown, status and respring.
#include <cstdio>

#include "Args.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "device/Boot.h"
#include "device/Control.h"
#include "wire/Requests.h"
#include "device/DiskUse.h"
#include "device/Keeper.h"
#include "device/KeeperRecords.h"

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
    Args args(words, {"time", "locale", "tz", "also"}, {});
    if (args.help()) return printUsage("boot");
    sim::Device device = deviceOf(args);
    sim::BootOptions options;
    options.time = args.option("time").value_or("");
    options.locale = args.option("locale").value_or("");
    options.timeZone = args.option("tz").value_or("");
    if (auto also = args.option("also")) {
        if (sim::visibleInside(device, *also) != *also)
            throw UsageError("--also \"" + *also + "\" is not a program the device sees (one of this build's)");
        options.also.push_back(*also);
    }
    sim::BootState state = sim::boot(device, options);
    auto pong = sim::askSpringBoard(device, wire::pingRequest());
    std::string pid = pong && pong->has_pong() ? std::to_string(pong->pong().pid()) : "?";
    std::printf("booted %s (SpringBoard pid %s)\n", device.folder().c_str(), pid.c_str());
    // Up, but not as asked: said where a person looks.
    if (!state.safeMode.empty())
        std::fprintf(stderr, "orvelle-sim: %s came up in safe mode: %s; orvelle-sim respring --normal leaves it\n",
                     device.folder().c_str(), sim::terminalSafe(state.safeMode).c_str());
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
        auto stopped = sim::readStopRecord(device);
        std::printf("shut down%s\n", stopped ? ("; " + sim::terminalSafe(stopped->why())).c_str() : "");
        return 0;
    }
    std::printf("booted (supervisor pid %d)\n", static_cast<int>(state->supervisor));
    if (auto safe = sim::safeModeOf(device))
        std::printf("safe mode: %s; to blame: %s; report: %s\n", sim::terminalSafe(safe->why).c_str(),
                    sim::terminalSafe(safe->culprits).c_str(), sim::terminalSafe(safe->report).c_str());
    if (!state->limitsText.empty()) std::printf("limits: %s\n", state->limitsText.c_str());
    const sim::DeviceLimits limits = sim::readProfile(device.profileFile()).limits;
    std::printf("disk: %s\n", sim::terminalSafe(sim::describeDiskUse(device, limits)).c_str());
    // The clock as SpringBoard holds it; a home screen restarting says nothing.
    if (auto clock = sim::askSpringBoard(device, wire::clockRequest({}), 2); clock && clock->has_clock())
        std::printf("%s\n", sim::terminalSafe(clockLine(clock->clock())).c_str());
    for (const auto& program : sim::programs(device))
        std::printf("%s %d\n", sim::terminalSafe(program.name).c_str(), static_cast<int>(program.pid));
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
