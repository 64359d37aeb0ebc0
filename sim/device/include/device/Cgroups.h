// A device's control group on this machine: one folder a hierarchy in which
// every process of the device is counted together, its memory, processes and
// CPU bounded by the kernel. Version 2 (one hierarchy) where its memory and
// process controllers are ours to use, else version 1's memory and pids
// hierarchies; nothing where neither is (the tool is not root and nothing was
// delegated to it). The group sits beside or below the tool's own, so every
// bound above the tool still holds for the device.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wire/Profile.h"

namespace sim {

struct DeviceCgroup {
    int version = 0;                   // 2 or 1
    std::vector<std::string> folders;  // the device's folder in each hierarchy
    std::string memoryFolder;          // the one with the memory controller's files
    bool cpu = false;                  // its CPU is bounded too (the controller is optional)
};

// Makes (or finds again) the control group named `name` and sets `limits` on
// it. Groups named "device-<hex>-<pid>" whose tool (that pid) has ended and
// that nothing uses are removed on the way. Nothing when this machine offers none to this user; `why` then says
// what was missing.
std::optional<DeviceCgroup> makeDeviceCgroup(const std::string& name, const DeviceLimits& limits, std::string& why);

// Removes the device's folders that no process uses any more (a group still
// in use stays).
void removeDeviceCgroup(const std::vector<std::string>& folders);

}  // namespace sim
