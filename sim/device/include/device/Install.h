// Putting this build's own packages into a device, the way any package is
// installed: the tweak and its pane (com.tovik.orvelle), and the Nine
// stand-in (com.brannoch.nine) when the profile asks for it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Packages.h"
#include "wire/Profile.h"

namespace sim {

struct InstallResult {
    std::vector<PackageChange> changes;
    std::vector<std::string> notBuilt;  // packages that were not there to install
};

// This build's packages.
std::filesystem::path builtOrvellePackage();
std::filesystem::path builtNinePackage();

// Installs (or upgrades) the built packages. The Nine settings file is
// written only when there is none, so a user's change stays.
InstallResult installDeliverables(const Device& device, const Profile& profile);

}  // namespace sim
