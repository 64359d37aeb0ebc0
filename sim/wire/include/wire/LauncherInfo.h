// What the sandbox launcher (bubblewrap) writes to its info descriptor: one
// JSON object, {"child-pid": N, ...}, once the sandbox's first process
// exists. It is the launcher's format, read here alone, bounded.
#pragma once

#include <optional>
#include <string_view>

namespace wire {

// The first process's pid on this machine, once `info` holds the whole
// object; nothing while it does not, or when it names no positive pid.
std::optional<int> launcherChildPid(std::string_view info);

}  // namespace wire
