// A throw-away copy of a device's files, for a headless run that must leave
// the device as it was. What the device planted is copied as it is, never
// followed: folders and regular files, links as links (they resolve inside
// the copy's own sandbox); FIFOs, sockets and devices are left out. The copy
// is bounded, so a device cannot fill the machine's disk through it.
#pragma once

#include <cstdint>
#include <filesystem>

#include "device/Device.h"

namespace sim {

struct CopyLimits {
    std::uint64_t totalBytes = 1024ull * 1024 * 1024;
    std::size_t entries = 200000;
    int depth = 64;
};

// Copies the profile and the var and Library trees of `from` into the empty
// device folder `to`. Fails naming what passed a limit or could not be copied.
void copyDevice(const Device& from, const Device& to, const CopyLimits& limits = {});

}  // namespace sim
