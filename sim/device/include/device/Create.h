// Making a new device folder.
#pragma once

#include "device/Device.h"
#include "device/Install.h"
#include "wire/Profile.h"

namespace sim {

// Makes the layout, writes the profile and the sample weather record, and
// installs the deliverables. The folder may exist if it is empty; an existing
// device or a folder with other files in it is refused, so nothing is
// overwritten.
InstallResult createDevice(const Device& device, const Profile& profile);

}  // namespace sim
