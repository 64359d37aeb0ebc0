// The bubblewrap command line that puts a device's trees at /var and /Library,
// with the machine's /usr read-only, in a PID namespace of its own.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "device/Device.h"

namespace sim {

struct SandboxOptions {
    // The command is the namespace's first process (the supervisor), which
    // then reaps every orphan of the device.
    bool commandIsInit = false;
    // The sandbox ends with the process that started it (one-off commands).
    bool dieWithParent = false;
    // Inside the sandbox; "" keeps the caller's folder when the sandbox shows
    // it, else "/".
    std::string workingFolder;
    std::vector<std::pair<std::string, std::string>> environment;
    int infoFd = -1;  // bubblewrap writes {"child-pid": N} here
};

// The bubblewrap argument vector, ending with `command`.
std::vector<std::string> sandboxCommand(const Device& device, const SandboxOptions& options,
                                        const std::vector<std::string>& command);

// The folder a process inside sees for `folder` outside ("" when it sees none).
std::string visibleInside(const Device& device, const std::string& folder);

}  // namespace sim
