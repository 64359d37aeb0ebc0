// A package's maintainer script (preinst, postinst, prerm, postrm), run
// inside the device's sandbox as its user, for a bounded time, with a bounded
// tail of its output kept for the message.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"

namespace sim::pkg {

struct ScriptRun {
    double seconds = 60;  // then it is stopped
    // Told the script's process (the leader of its process group) once it runs.
    std::function<void(pid_t)> started;
};

// Runs the script, joining a booted device or in a fresh sandbox of a stopped
// one. Answers the failure's line, nothing when it ran through.
std::optional<std::string> runScript(const Device& device, const std::string& package, const std::string& name,
                                     const std::string& body, const std::vector<std::string>& arguments,
                                     const ScriptRun& run = {});

// Ends what is left of a script started by a command that no longer runs:
// its process group, when `pid` still is the process that started at `startTime`.
void stopLeftScript(pid_t pid, unsigned long long startTime);

}  // namespace sim::pkg
