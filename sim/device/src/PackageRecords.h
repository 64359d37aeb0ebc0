// The package manager's records of a device, kept where the device cannot
// write (DEVICE/host/dpkg): the status file, each package's list of files
// (info/NAME.list) and its maintainer scripts (info/NAME.postinst, ...).
// Not for other parts of the tool: they go through Packages.h.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Packages.h"

namespace sim::pkg {

// The device's own trees: a package puts nothing anywhere else.
inline constexpr const char* kTrees[] = {"/Library", "/var"};

// Whether `path` is `top` or beneath it.
bool within(const std::string& path, const std::string& top);
// A tweak library or its filter under DynamicLibraries.
bool isTweakFile(const std::string& path);

std::filesystem::path recordsFolder(const Device& device);
std::filesystem::path infoFolder(const Device& device);
std::filesystem::path statusFile(const Device& device);

// A record, read as every file of a device folder is: no link followed,
// bounded; a record that is not there reads as empty.
std::string readRecord(const Device& device, const std::filesystem::path& file,
                       std::size_t limit = 16 * 1024 * 1024);
// The most the status file may hold: a control paragraph at its largest for
// each package recorded, so the bound grows with what is installed.
std::size_t statusBound(const Device& device);
// The records as they are, with no journal looked at (the lock held).
std::vector<InstalledPackage> readInstalled(const Device& device);
void writeHostFile(const std::filesystem::path& file, const std::string& bytes);
// The status file that records `installed`.
std::string statusText(const std::vector<InstalledPackage>& installed);
std::string listText(const std::vector<std::string>& files);

}  // namespace sim::pkg
