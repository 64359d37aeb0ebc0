// Relations between packages: whether what a package depends on is there.
#pragma once

#include <string>
#include <vector>

#include "device/PackageControl.h"
#include "device/Packages.h"

namespace sim::pkg {

// Whether a relation is met by what the device provides and has installed
// (`except` aside).
bool satisfied(const Relation& r, const std::vector<ProvidedPackage>& provided,
               const std::vector<InstalledPackage>& installed, const std::string& except);
// " (it has NAME VERSION ...)" for what the device has of `name`, "" when nothing.
std::string whatIsThere(const std::string& name, const std::vector<ProvidedPackage>& provided,
                        const std::vector<InstalledPackage>& installed);
// "a | b (>= 1)".
std::string groupText(const std::vector<Relation>& group);

}  // namespace sim::pkg
