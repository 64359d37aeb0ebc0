// The control socket of a device's SpringBoard: one command line in, one
// reply line out. Commands: "ping" (answers "pong"), "pid", "tweaks" (the
// loader's decisions at this start, as JSON), and the lock screen's.
#pragma once

#include <optional>
#include <string>

#include "device/Device.h"

namespace sim {

// The reply without its line feed, or nothing when SpringBoard does not answer
// within `timeoutSeconds` (not running, not listening yet, busy).
std::optional<std::string> askSpringBoard(const Device& device, const std::string& command,
                                          double timeoutSeconds = 2);

}  // namespace sim
