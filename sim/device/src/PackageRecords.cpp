#include "PackageRecords.h"

#include <algorithm>
#include <sstream>

#include "PackageJournal.h"
#include "PackageLock.h"

#include "device/DebPackage.h"
#include "device/DeviceFiles.h"
#include "foundation/FileReplace.h"
#include "wire/Failure.h"
#include "wire/InsidePaths.h"
#include "wire/Profile.h"

namespace sim {

namespace fs = std::filesystem;

namespace pkg {

bool within(const std::string& path, const std::string& top) {
    return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 && path[top.size()] == '/');
}

bool isTweakFile(const std::string& path) {
    if (!within(path, inside::kDynamicLibraries) || path.find('/', std::string(inside::kDynamicLibraries).size() + 1) != std::string::npos)
        return false;
    auto dot = path.rfind('.');
    return dot != std::string::npos && (path.compare(dot, std::string::npos, ".dylib") == 0 ||
                                        path.compare(dot, std::string::npos, ".plist") == 0);
}

fs::path recordsFolder(const Device& device) { return device.hostFolder() / "dpkg"; }
fs::path infoFolder(const Device& device) { return recordsFolder(device) / "info"; }
fs::path statusFile(const Device& device) { return recordsFolder(device) / "status"; }

std::string readRecord(const Device& device, const fs::path& file, std::size_t limit) {
    DeviceFiles files(device);
    fs::path relative = file.lexically_relative(device.folder());
    auto there = files.status(relative);
    if (!there) throw Failure(there.reason());
    if (!*there) return {};
    auto bytes = files.read(relative, limit);
    if (!bytes) throw Failure(bytes.reason());
    return *bytes;
}

void writeHostFile(const fs::path& file, const std::string& bytes) {
    if (auto written = ns::replaceFile(file.string(), bytes); !written) throw Failure(written.reason());
}

std::string statusText(const std::vector<InstalledPackage>& installed) {
    std::string status;
    for (const InstalledPackage& p : installed) status += p.control.text + "\nStatus: install ok installed\n\n";
    return status;
}

std::size_t statusBound(const Device& device) {
    auto names = DeviceFiles(device).list(infoFolder(device).lexically_relative(device.folder()), PackageLimits{}.entries * 10);
    if (!names) throw Failure(names.reason());
    std::size_t recorded = 1;
    for (const std::string& name : *names)
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".list") == 0) ++recorded;
    // A paragraph: the control file, its status line and the blank line after.
    return recorded * (PackageLimits{}.controlBytes + 64);
}

std::string listText(const std::vector<std::string>& files) {
    std::string text;
    for (const auto& f : files) text += f + "\n";
    return text;
}

}  // namespace pkg

namespace {

// The paragraphs of a status file.
std::vector<std::string> paragraphs(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            if (!current.empty()) out.push_back(current);
            current.clear();
            continue;
        }
        current += line + "\n";
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

}  // namespace

const std::string& deviceArchitecture() {
    static const std::string architecture = ORVELLE_DEVICE_ARCHITECTURE;
    return architecture;
}

std::vector<ProvidedPackage> providedPackages(const Device& device) {
    // The versions the phones of these systems had, so that the usual lower
    // bounds of tweaks' Depends hold.
    return {{"mobilesubstrate", "0.9.7200"},
            {"preferenceloader", "2.2.6"},
            {"firmware", readProfile(device.profileFile()).systemVersion}};
}

std::vector<InstalledPackage> pkg::readInstalled(const Device& device) {
    std::vector<InstalledPackage> out;
    for (const std::string& paragraph : paragraphs(readRecord(device, statusFile(device), statusBound(device)))) {
        auto fields = parseControl(paragraph);
        if (!fields) throw Failure("the package records of " + device.folder().string() + " are damaged: " + fields.reason());
        // The record's own status line is not the package's.
        std::string text;
        std::istringstream lines(fields->text);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("Status:", 0) != 0) text += (text.empty() ? "" : "\n") + line;
        auto control = parseControl(text);
        if (!control) throw Failure("the package records of " + device.folder().string() + " are damaged: " + control.reason());
        InstalledPackage p{*control, {}};
        std::istringstream list(readRecord(device, infoFolder(device) / (p.name() + ".list")));
        while (std::getline(list, line))
            if (!line.empty()) p.files.push_back(line);
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<InstalledPackage> installedPackages(const Device& device) {
    // A change killed before it ended is rolled back or finished first; a
    // change still running has not touched the records yet.
    if (pkg::journalPending(device)) {
        pkg::PackageLock lock;
        if (pkg::tryLockRecords(device, lock)) pkg::recoverJournal(device);
    }
    return pkg::readInstalled(device);
}

const InstalledPackage* ownerOf(const std::vector<InstalledPackage>& installed, const std::string& path) {
    for (const auto& p : installed)
        if (std::find(p.files.begin(), p.files.end(), path) != p.files.end()) return &p;
    return nullptr;
}

}  // namespace sim
