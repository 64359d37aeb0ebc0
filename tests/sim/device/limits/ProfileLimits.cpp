// The device's bounds written into its profile (apart: the test support's
// sim() and the wire's namespace share a name).
#include <filesystem>
#include <string>

#include "wire/Profile.h"

void setDeviceLimits(const std::string& device, long long memoryMiB, long long processes, long long openFiles,
                     long long fileSizeMiB, double cpuCores) {
    auto profile = std::filesystem::path(device) / "profile.plist";
    sim::Profile p = sim::readProfile(profile);
    p.limits.memoryMiB = memoryMiB;
    p.limits.processes = processes;
    p.limits.openFiles = openFiles;
    p.limits.fileSizeMiB = fileSizeMiB;
    p.limits.cpuCores = cpuCores;
    sim::writeProfile(profile, p);
}

void setDiskLimit(const std::string& device, long long diskMiB) {
    auto profile = std::filesystem::path(device) / "profile.plist";
    sim::Profile p = sim::readProfile(profile);
    p.limits.diskMiB = diskMiB;
    sim::writeProfile(profile, p);
}
