// How much of the machine's disk a device's own files take: the folders its
// programs can write (var, Library, run), walked without following a link.
// A phone's disk is full at a size; a device here is held to its profile's
// bound by measuring, and a device past it is stopped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/Device.h"
#include "wire/Profile.h"

namespace sim {

struct DiskUse {
    std::uint64_t bytes = 0;    // blocks in use, as the file system counts them
    std::uint64_t entries = 0;  // files, folders and links
    // Set when the walk stopped early: past `stopAbove`, too many entries,
    // folders nested too deep, or a folder that could not be read.
    std::string stoppedBecause;
};

// The device's writable trees measured; the walk stops as soon as the bytes
// pass `stopAbove`, so measuring a device that floods its disk stays cheap.
DiskUse measureDiskUse(const Device& device, std::uint64_t stopAbove);

// Why the device is past its disk bound, in one line; nothing while it is
// within. `headroom`, when given, gets what is left below the bound.
std::optional<std::string> diskOverrun(const Device& device, const DeviceLimits& limits,
                                       std::uint64_t* headroom = nullptr);

// When to look again, after a look that took `lookSeconds` and left
// `headroom` bytes: soon enough that a device writing as fast as a disk
// takes passes its bound by little, seldom enough that the watch keeps to a
// twentieth of a core.
double nextDiskLook(std::uint64_t headroom, double lookSeconds);

// "N MiB of M MiB" for status.
std::string describeDiskUse(const Device& device, const DeviceLimits& limits);

}  // namespace sim
