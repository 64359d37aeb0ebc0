// The device's package manager, as the phone's: it installs, upgrades and
// removes packages in the phone's Debian format and keeps what each one
// installed. It runs on the host and trusts neither the package nor the
// device: a package is read bounded (see DebPackage.h) and must fit the
// device (its architecture, its Depends against what the device provides and
// what is installed) and put only folders and regular files into the device's
// own trees (/Library and /var). Its records are kept where the device cannot
// write (DEVICE/host/dpkg: status, info/NAME.list and the maintainer scripts),
// and its maintainer scripts run only inside the device's sandbox, as the
// device's user, each for a bounded time. A failure anywhere leaves the
// device's files and records as they were, and so does a kill: every change
// is journaled (see PackageJournal.h) and the next package command rolls it
// back or finishes it. A booted device resprings when a tweak library or its filter
// under DynamicLibraries changed.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Device.h"
#include "device/PackageControl.h"

namespace sim {

// The Debian architecture of the device's programs: this machine's, as the build saw it.
const std::string& deviceArchitecture();

// What a device provides before anything is installed: the tweak loader
// (mobilesubstrate), the Settings entry loader (preferenceloader) and the
// system itself (firmware, its version the profile's).
struct ProvidedPackage {
    std::string name;
    std::string version;
};
std::vector<ProvidedPackage> providedPackages(const Device& device);

struct InstalledPackage {
    ControlFields control;
    std::vector<std::string> files;  // paths in the device, folders too, as installed
    std::string name() const { return control["Package"]; }
    std::string version() const { return control["Version"]; }
};

// The packages installed in the device, by name.
std::vector<InstalledPackage> installedPackages(const Device& device);
// The installed package a path in the device belongs to; nothing when none does.
const InstalledPackage* ownerOf(const std::vector<InstalledPackage>& installed, const std::string& path);

struct PackageChange {
    std::string package;
    std::string version;          // installed now; "" after a removal
    std::string previousVersion;  // "" for a first install
    std::vector<std::string> written;  // files in the device
    std::vector<std::string> removed;
    bool tweaksChanged = false;   // a library or filter under DynamicLibraries
    bool resprung = false;
};

// Installs or upgrades the package at `file` (a file of this machine). Fails
// with one line naming the package file and what was refused.
PackageChange installPackage(const Device& device, const std::filesystem::path& file);
// The same for a package's bytes; `shownAs` names it in messages.
PackageChange installPackageBytes(const Device& device, std::string_view bytes, const std::string& shownAs);
// Removes exactly the files the package installed (and its folders that are
// left empty), running its prerm and postrm. Refused when another installed
// package depends on it.
PackageChange removePackage(const Device& device, const std::string& name);

// Told each step of a change as it is done ("begun", "wrote /Library/x",
// "committed", ...): the tests stop a change there, as a kill would.
void onPackageStep(std::function<void(const std::string&)> observer);

}  // namespace sim
