// The host's keeper of a booted device: a process of the tool that starts the
// device's sandbox and stays beside it, outside it, for as long as it runs.
// The supervisor inside reports facts to it on the wire (a program started,
// came up, ended and how, its output's lines); the keeper decides how each
// program starts again (CrashPolicy), keeps that decision and the programs
// where the device cannot write (the device's host folder), and alone writes
// the device log. The tool asks it through a socket in that folder.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Sandbox.h"
#include "foundation/UniqueFd.h"

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
// given the keeper's pipes; its output goes to the keeper) and runs until the
// sandbox ends, writing the device log into `log` (the log file, opened for
// appending). Answers the keeper's pid.
pid_t startKeeper(const Device& device, LaunchSpec sandbox, int log);

// Asks the device's keeper for a normal start of its programs from now on.
// Fails when there is no keeper (the device is not booted).
void leaveSafeMode(const Device& device);

// Lines of a program the tool ran in the device, into the device log: through
// the keeper while the device is booted, else written by the tool itself.
void logToDevice(const Device& device, const std::string& writer, const std::vector<std::string>& lines);

}  // namespace sim
