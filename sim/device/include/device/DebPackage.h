// A package in the phone's Debian format (an ar archive of debian-binary,
// control.tar and data.tar), read as untrusted input: every size, count,
// name and depth is bounded, and only folders and regular files with plain
// permission bits, at relative paths that stay beneath the root, come out of
// it. Anything else (a link, a device file, a FIFO, a set-id file, a path that
// climbs out, a corrupt or truncated archive) refuses the whole package.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Result.h"

namespace sim {

struct PackageLimits {
    std::uint64_t packageBytes = 256ull * 1024 * 1024;   // the .deb file itself
    std::uint64_t unpackedBytes = 512ull * 1024 * 1024;  // its files, unpacked, together
    std::uint64_t controlBytes = 1024 * 1024;            // the control archive's members, together
    std::size_t entries = 10000;
    std::size_t pathBytes = 1024;
    int depth = 32;
};

struct PackageEntry {
    std::string path;  // absolute in the device, normal: "/Library/MobileSubstrate/DynamicLibraries/X.dylib"
    bool folder = false;
    unsigned mode = 0644;  // permission bits only (never set-id)
    std::string bytes;     // a file's contents
};

// The maintainer scripts a package may carry, in the order they run on install.
inline constexpr const char* kMaintainerScripts[] = {"preinst", "postinst", "prerm", "postrm"};

struct DebPackage {
    std::string control;                         // the control paragraph, as written
    std::map<std::string, std::string> scripts;  // by name: preinst, postinst, prerm, postrm
    std::vector<PackageEntry> entries;           // folders and files, in the archive's order
};

// Reads a whole package from its bytes. The reason names what was refused
// ("holds a link: ./Library/x -> /etc/passwd"), without the package's name.
ns::Result<DebPackage> readPackage(std::string_view bytes, const PackageLimits& limits = {});

}  // namespace sim
