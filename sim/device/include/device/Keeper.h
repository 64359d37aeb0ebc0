// The host's keeper of a booted device: a process of the tool that starts the
// device's sandbox and stays beside it, outside it, for as long as it runs.
// The supervisor inside tells it how SpringBoard ended; the keeper decides
// how it starts again (see CrashPolicy) and keeps that decision where the
// device cannot write (the device's host folder). The tool asks it through a
// socket in that folder ("normal": leave safe mode).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "device/Device.h"
#include "device/Sandbox.h"

namespace sim {

// The keeper's record of safe mode: why, and the libraries to blame.
struct SafeMode {
    std::string why;
    std::string culprits;  // comma-separated, "-" when unknown
    std::string report;    // the crash report's name, "-" when none
};
// The device's safe mode as its keeper last decided; nothing when it is in normal mode.
std::optional<SafeMode> safeModeOf(const Device& device);

// Forks the keeper, which launches `sandbox` (the supervisor's boot entry,
// given the keeper's pipes) and runs until the sandbox ends. Answers the
// keeper's pid.
pid_t startKeeper(const Device& device, LaunchSpec sandbox);

// Asks the device's keeper for a normal start of SpringBoard from now on.
// Fails when there is no keeper (the device is not booted).
void leaveSafeMode(const Device& device);

}  // namespace sim
