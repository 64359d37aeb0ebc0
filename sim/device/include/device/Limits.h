// What bounds a device's use of the machine, from its profile: its control
// group where the machine offers one (memory, processes and CPU counted for
// the device as a whole, a program past the memory bound killed by the
// kernel), and resource limits of each program always (open files, the size
// of a written file) and in the group's place where there is none (memory of
// each program, processes of the device's user, a lower CPU priority).
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

#include "device/Device.h"
#include "wire/Profile.h"

namespace sim {

struct BootState;

class DeviceLimitPlan {
public:
    // "cgroup v2", "cgroup v1" or "rlimits".
    const std::string& mechanism() const { return mechanism_; }
    const DeviceLimits& limits() const { return limits_; }
    // One line for `status`: the mechanism and every bound.
    std::string describe() const;
    // The control group's folders (none under rlimits).
    const std::vector<std::string>& cgroupFolders() const { return folders_; }
    // bubblewrap's arguments: the memory controller's files, read-only, where
    // the supervisor sees what the kernel killed.
    std::vector<std::string> sandboxArguments() const;
    // In the child about to become the sandbox (or the joining program):
    // enters the group and sets the limits. Only system calls, as it runs
    // after fork; answers the step that failed, nothing when all held.
    const char* enter() const;

private:
    friend DeviceLimitPlan prepareLimits(const Device&, const DeviceLimits&, bool);
    friend DeviceLimitPlan joinLimits(const DeviceLimits&, const std::string&, const std::vector<std::string>&);
    void setLimits(const DeviceLimits& limits, bool withGroup);

    DeviceLimits limits_;
    std::string mechanism_ = "rlimits";
    std::string why_;  // why there is no group
    std::vector<std::string> folders_;
    std::string memoryFolder_;
    bool cpuBounded_ = false;
    std::vector<std::string> procsFiles_;
    struct Bound {
        int resource;
        rlimit value;
    };
    std::vector<Bound> bounds_;
    int nice_ = 0;
};

// A new sandbox of the device: makes (or finds again) its control group
// with the profile's bounds, else plans resource limits alone. A booted
// device's group is the device's; any other sandbox's is this tool's, gone
// once the tool is. The tool's ORVELLE_LIMITS=rlimits chooses resource
// limits alone.
DeviceLimitPlan prepareLimits(const Device& device, const DeviceLimits& limits, bool booting);

// A program joining a booted device: the group and mechanism its boot chose.
DeviceLimitPlan joinLimits(const DeviceLimits& limits, const std::string& mechanism, const std::vector<std::string>& folders);

// What launch() uses when the caller prepared nothing: the booted device's
// group for a joining program, a new one otherwise.
DeviceLimitPlan limitsFor(const Device& device, bool join, const BootState* booted);

// The control group's name for a device folder: the booted device's, the
// same from any tool; else this tool's own ("device-<hex>-<pid>").
std::string deviceCgroupName(const Device& device, bool booting);

}  // namespace sim
