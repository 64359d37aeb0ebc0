// Putting the built deliverables into a device, as the package manager would.
#pragma once

#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Profile.h"

namespace sim {

struct InstallResult {
    std::vector<std::string> installed;  // paths inside the device
    std::vector<std::string> notBuilt;   // what was not there to install
};

// Copies the tweak library and its filter into DynamicLibraries (a running
// device keeps the old file it has mapped: files are replaced, never
// rewritten), and the Nine stand-in when the profile asks for it. The Nine
// settings file is written only when there is none, so a user's change stays.
InstallResult installDeliverables(const Device& device, const Profile& profile);

// The settings pane: its bundle, its Settings entry and its QR-code picture.
void installPane(const Device& device, InstallResult& result);

}  // namespace sim
