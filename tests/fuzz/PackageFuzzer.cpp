// The package reader under libFuzzer: arbitrary bytes as a package file, and
// what it yields through the control paragraph's and the relations' parsers.
// Limits are small, so a decompression bomb is cut off early.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/DebPackage.h"
#include "device/PackageControl.h"

namespace {
volatile std::size_t sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::PackageLimits limits;
    limits.unpackedBytes = 4 * 1024 * 1024;
    limits.controlBytes = 64 * 1024;
    limits.entries = 512;
    auto package = sim::readPackage(std::string_view(reinterpret_cast<const char*>(data), size), limits);
    if (!package) {
        sink = package.reason().size();
        return 0;
    }
    for (const auto& e : package->entries) sink = e.path.size() + e.bytes.size();
    auto control = sim::parseControl(package->control);
    if (!control) return 0;
    for (const char* field : {"Depends", "Pre-Depends", "Conflicts", "Provides"}) {
        auto relations = sim::parseRelations((*control)[field]);
        if (!relations) continue;
        for (const auto& group : *relations)
            for (const auto& r : group) sink = sim::meets((*control)["Version"], r) + sim::compareVersions(r.version, "1.0");
    }
    sink = sim::isPackageName((*control)["Package"]) + sim::isPackageVersion((*control)["Version"]);
    return 0;
}
