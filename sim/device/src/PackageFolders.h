// What a package change leaves to do once its records are written: the
// folders it emptied, and a respring when the tweaks changed.
#pragma once

#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Packages.h"

namespace sim::pkg {

// Removes the folders of `folders` that are left empty, deepest first, but
// none that a package of `installed` or the device's layout keeps.
std::vector<std::string> removeEmptyFolders(const Device& device, const std::vector<std::string>& folders,
                                            const std::vector<InstalledPackage>& installed);

// A booted device whose tweaks changed resprings.
void respringIfBooted(const Device& device, PackageChange& change);

}  // namespace sim::pkg
