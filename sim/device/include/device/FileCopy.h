// Putting a file of this build into a device: replaced whole, so a running
// device keeps the old file it has open and a reader never sees half of one.
#pragma once

#include <filesystem>

#include "device/DeviceFiles.h"

namespace sim {

// Copies `from` (a file of the build) to `to` in the device, making its
// folders; never through a link the device planted. Fails with both paths
// and the reason, leaving `to` as it was.
void installFile(const DeviceFiles& device, const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace sim
