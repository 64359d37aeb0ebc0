#include "device/Cgroups.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace sim {

namespace {

// Where the tool's own processes are counted, per hierarchy: "" for version
// 2's, else each version 1 controller's name.
std::map<std::string, std::string> ownGroups() {
    std::map<std::string, std::string> groups;
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        auto first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        std::string controllers = line.substr(first + 1, second - first - 1), path = line.substr(second + 1);
        std::stringstream names(controllers);
        std::string name;
        if (controllers.empty()) groups[""] = path;
        while (std::getline(names, name, ',')) groups[name] = path;
    }
    return groups;
}

// Version 1's mount points, by controller.
std::map<std::string, std::string> versionOneMounts() {
    std::map<std::string, std::string> mounts;
    std::ifstream in("/proc/self/mounts");
    std::string source, point, type, options;
    while (in >> source >> point >> type >> options) {
        std::string rest;
        std::getline(in, rest);
        if (type != "cgroup") continue;
        std::stringstream names(options);
        std::string name;
        while (std::getline(names, name, ',')) mounts.emplace(name, point);
    }
    return mounts;
}

bool isCgroup2(const std::string& folder) {
    struct statfs fs {};
    return statfs(folder.c_str(), &fs) == 0 && fs.f_type == CGROUP2_SUPER_MAGIC;
}

std::string readText(const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool writeText(const std::string& file, const std::string& text) {
    int fd = open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

bool hasWord(const std::string& list, const std::string& word) {
    std::stringstream s(list);
    std::string w;
    while (s >> w)
        if (w == word) return true;
    return false;
}

// The groups of tools that ended ("device-<folder>-<tool's pid>"), empty
// now: removed. A group in use, or a booted device's, stays.
void sweep(const std::string& base) {
    DIR* dir = opendir(base.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        unsigned long long folder = 0;
        int owner = 0, end = 0;
        if (std::sscanf(entry->d_name, "device-%16llx-%d%n", &folder, &owner, &end) != 2 || entry->d_name[end] != '\0' ||
            owner <= 0)
            continue;
        if (kill(owner, 0) != 0 && errno == ESRCH) (void)rmdir((base + "/" + entry->d_name).c_str());
    }
    closedir(dir);
}

// A folder of a control group, made when missing.
bool makeFolder(const std::string& folder, std::string& why) {
    if (mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return true;
    why = "cannot make " + folder + ": " + strerror(errno);
    return false;
}

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? "" : path.substr(0, slash);
}

long long bytesOf(long long mib) { return mib * 1024 * 1024; }

constexpr long long kCpuPeriod = 100000;  // microseconds

long long cpuQuota(const DeviceLimits& limits) {
    return std::max(1000LL, std::llround(limits.cpuCores * static_cast<double>(kCpuPeriod)));
}

// Every file of the limits, or what could not be set.
bool setAll(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& values, std::string& why) {
    for (const auto& [file, value] : values)
        if (!writeText(folder + "/" + file, value)) {
            why = "cannot set " + folder + "/" + file + ": " + strerror(errno);
            return false;
        }
    return true;
}

std::optional<DeviceCgroup> versionTwo(const std::string& name, const DeviceLimits& limits, std::string& why) {
    std::string mount;
    for (const char* candidate : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"})
        if (isCgroup2(candidate)) {
            mount = candidate;
            break;
        }
    auto own = ownGroups();
    if (mount.empty() || !own.count("")) {
        why = "no control group version 2";
        return std::nullopt;
    }
    // A group with processes cannot hand its controllers down: the device's
    // sits beside the tool's (below the root, which may).
    std::string parent = mount + (own[""] == "/" ? "" : parentOf(own[""]));
    std::string offered = readText(parent + "/cgroup.controllers");
    if (!hasWord(offered, "memory") || !hasWord(offered, "pids")) {
        why = "control group version 2 offers no memory and process controllers at " + parent;
        return std::nullopt;
    }
    std::string wanted = hasWord(offered, "cpu") ? "+memory +pids +cpu" : "+memory +pids";
    std::string base = parent + "/orvelle";
    if (!makeFolder(base, why)) return std::nullopt;
    sweep(base);
    if (!hasWord(readText(parent + "/cgroup.subtree_control"), "memory") && !writeText(parent + "/cgroup.subtree_control", wanted)) {
        why = "cannot hand the memory controller down at " + parent + ": " + strerror(errno);
        return std::nullopt;
    }
    if (!writeText(base + "/cgroup.subtree_control", wanted)) {
        why = "cannot hand the memory controller down at " + base + ": " + strerror(errno);
        return std::nullopt;
    }
    DeviceCgroup group{2, {base + "/" + name}, base + "/" + name, hasWord(offered, "cpu")};
    if (!makeFolder(group.memoryFolder, why)) return std::nullopt;
    std::vector<std::pair<std::string, std::string>> values{
        {"memory.max", std::to_string(bytesOf(limits.memoryMiB))}, {"pids.max", std::to_string(limits.processes)}};
    if (hasWord(offered, "cpu")) {
        values.emplace_back("cpu.max", std::to_string(cpuQuota(limits)) + " " + std::to_string(kCpuPeriod));
        values.emplace_back("cpu.weight", std::to_string(limits.cpuWeight));
    }
    if (!setAll(group.memoryFolder, values, why)) return std::nullopt;
    (void)writeText(group.memoryFolder + "/memory.swap.max", "0");  // none where the machine has no swap
    return group;
}

std::optional<DeviceCgroup> versionOne(const std::string& name, const DeviceLimits& limits, std::string& why) {
    auto mounts = versionOneMounts();
    auto own = ownGroups();
    if (!mounts.count("memory") || !mounts.count("pids") || !own.count("memory") || !own.count("pids")) {
        why = "no control group version 1 memory and pids hierarchies";
        return std::nullopt;
    }
    // Below the tool's own group in each hierarchy: its bounds hold for the device too.
    auto folderIn = [&](const std::string& controller) {
        std::string own_ = own[controller] == "/" ? "" : own[controller];
        return mounts[controller] + own_ + "/orvelle";
    };
    DeviceCgroup group;
    group.version = 1;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> values{
        {"memory",
         {{"memory.limit_in_bytes", std::to_string(bytesOf(limits.memoryMiB))}}},
        {"pids", {{"pids.max", std::to_string(limits.processes)}}}};
    group.cpu = mounts.count("cpu") && own.count("cpu");
    if (group.cpu)
        values["cpu"] = {{"cpu.cfs_period_us", std::to_string(kCpuPeriod)},
                         {"cpu.cfs_quota_us", std::to_string(cpuQuota(limits))},
                         {"cpu.shares", std::to_string(std::max(2LL, limits.cpuWeight * 1024 / 100))}};
    // With swap counted too, where the kernel counts it: never below the
    // bound itself, so set on both sides of it.
    const std::string withSwap = "memory.memsw.limit_in_bytes", bytes = std::to_string(bytesOf(limits.memoryMiB));
    for (const auto& [controller, settings] : values) {
        std::string base = folderIn(controller), folder = base + "/" + name;
        if (!makeFolder(base, why)) return std::nullopt;
        sweep(base);
        if (!makeFolder(folder, why)) return std::nullopt;
        if (controller == "memory") (void)writeText(folder + "/" + withSwap, bytes);
        if (!setAll(folder, settings, why)) return std::nullopt;
        group.folders.push_back(folder);
        if (controller == "memory") group.memoryFolder = folder;
    }
    (void)writeText(group.memoryFolder + "/" + withSwap, bytes);
    return group;
}

}  // namespace

std::optional<DeviceCgroup> makeDeviceCgroup(const std::string& name, const DeviceLimits& limits, std::string& why) {
    std::string v2Why, v1Why;
    if (auto group = versionTwo(name, limits, v2Why)) return group;
    if (auto group = versionOne(name, limits, v1Why)) return group;
    why = v2Why + "; " + v1Why;
    return std::nullopt;
}

void removeDeviceCgroup(const std::vector<std::string>& folders) {
    // The kernel lets a group go a moment after its last process ended.
    for (const std::string& folder : folders)
        for (int tries = 0; rmdir(folder.c_str()) != 0 && errno == EBUSY && tries < 40; ++tries) usleep(25000);
}

}  // namespace sim
