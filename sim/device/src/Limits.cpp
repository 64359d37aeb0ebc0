#include "device/Limits.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/Boot.h"
#include "device/Cgroups.h"
#include "wire/InsidePaths.h"

namespace sim {

namespace {

// The address sanitizer reserves terabytes of address space up front: a
// bound on a program's data would stop every program of such a build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Under resource limits alone, the device's programs yield to the machine's.
constexpr int kFallbackNice = 10;

rlim_t mib(long long n) { return static_cast<rlim_t>(n) * 1024 * 1024; }

std::string number(double n) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", n);
    return text;
}

}  // namespace

void DeviceLimitPlan::setLimits(const DeviceLimits& limits, bool withGroup) {
    limits_ = limits;
    auto both = [](rlim_t v) { return rlimit{v, v}; };
    bounds_ = {{RLIMIT_NOFILE, both(static_cast<rlim_t>(limits.openFiles))}, {RLIMIT_FSIZE, both(mib(limits.fileSizeMiB))}};
    if (withGroup) return;
    bounds_.push_back({RLIMIT_NPROC, both(static_cast<rlim_t>(limits.processes))});
    if (!kSanitized) bounds_.push_back({RLIMIT_DATA, both(mib(limits.memoryMiB))});
    nice_ = kFallbackNice;
}

std::string DeviceLimitPlan::describe() const {
    const DeviceLimits& l = limits_;
    std::string each = "each program: " + std::to_string(l.openFiles) + " open files, files up to " +
                       std::to_string(l.fileSizeMiB) + " MiB; the device's files together up to " +
                       std::to_string(l.diskMiB) + " MiB, measured";
    if (mechanism_ != "rlimits")
        return mechanism_ + ": memory " + std::to_string(l.memoryMiB) + " MiB, " + std::to_string(l.processes) +
               " processes, CPU " +
               (cpuBounded_ ? number(l.cpuCores) + " cores at weight " + std::to_string(l.cpuWeight)
                            : std::string("not bounded (no CPU controller)")) +
               "; " + each;
    return "rlimits (" + why_ + "): " + each + ", memory " +
           (kSanitized ? std::string("unbounded in a sanitized build") : std::to_string(l.memoryMiB) + " MiB") + "; " +
           std::to_string(l.processes) + " processes of the device user; CPU at nice " + std::to_string(kFallbackNice);
}

std::vector<std::string> DeviceLimitPlan::sandboxArguments() const {
    if (memoryFolder_.empty()) return {};
    return {"--ro-bind", memoryFolder_, inside::kMemoryGroup};
}

const char* DeviceLimitPlan::enter() const {
    for (const std::string& procs : procsFiles_) {
        int fd = open(procs.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return "the device's control group";
        bool moved = write(fd, "0", 1) == 1;
        close(fd);
        if (!moved) return "the device's control group";
    }
    for (const Bound& b : bounds_) {
        // A bound already lower stays (the tool's own may be).
        rlimit now{};
        rlimit wanted = b.value;
        if (getrlimit(b.resource, &now) == 0 && now.rlim_max != RLIM_INFINITY && now.rlim_max < wanted.rlim_max)
            wanted = {std::min(now.rlim_cur, now.rlim_max), now.rlim_max};
        if (setrlimit(b.resource, &wanted) != 0) return "the device's resource limits";
    }
    if (nice_ != 0 && setpriority(PRIO_PROCESS, 0, nice_) != 0) return "the device's CPU priority";
    return nullptr;
}

std::string deviceCgroupName(const Device& device, bool booting) {
    std::error_code ec;
    std::string folder = std::filesystem::weakly_canonical(device.folder(), ec).string();
    if (ec) folder = device.folder().lexically_normal().string();
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
    for (unsigned char c : folder) hash = (hash ^ c) * 0x100000001b3ULL;
    char name[32];
    std::snprintf(name, sizeof name, "device-%016llx", static_cast<unsigned long long>(hash));
    return booting ? std::string(name) : std::string(name) + "-" + std::to_string(getpid());
}

DeviceLimitPlan prepareLimits(const Device& device, const DeviceLimits& limits, bool booting) {
    DeviceLimitPlan plan;
    const char* chosen = std::getenv("ORVELLE_LIMITS");
    std::optional<DeviceCgroup> group;
    if (chosen && std::string(chosen) == "rlimits")
        plan.why_ = "chosen by ORVELLE_LIMITS";
    else
        group = makeDeviceCgroup(deviceCgroupName(device, booting), limits, plan.why_);
    if (group) {
        plan.mechanism_ = "cgroup v" + std::to_string(group->version);
        plan.folders_ = group->folders;
        plan.memoryFolder_ = group->memoryFolder;
        plan.cpuBounded_ = group->cpu;
        for (const auto& f : plan.folders_) plan.procsFiles_.push_back(f + "/cgroup.procs");
    }
    plan.setLimits(limits, group.has_value());
    return plan;
}

DeviceLimitPlan joinLimits(const DeviceLimits& limits, const std::string& mechanism, const std::vector<std::string>& folders) {
    DeviceLimitPlan plan;
    const bool withGroup = mechanism != "rlimits" && !folders.empty();
    if (withGroup) {
        plan.mechanism_ = mechanism;
        plan.folders_ = folders;
        for (const auto& f : folders) plan.procsFiles_.push_back(f + "/cgroup.procs");
    } else {
        plan.why_ = "as the device booted";
    }
    plan.setLimits(limits, withGroup);
    return plan;
}

DeviceLimitPlan limitsFor(const Device& device, bool join, const BootState* booted) {
    DeviceLimits limits = readProfile(device.profileFile()).limits;
    if (join && booted) return joinLimits(limits, booted->limits, booted->cgroups);
    return prepareLimits(device, limits, false);
}

}  // namespace sim
