#include "PackageFolders.h"

#include <algorithm>
#include <set>

#include "device/Boot.h"
#include "device/DeviceFiles.h"

namespace sim::pkg {

namespace fs = std::filesystem;

namespace {

// The device's own layout, which no removal takes away.
std::set<std::string> layoutFolders(const Device& device) {
    std::set<std::string> out;
    for (const fs::path& f : {device.varFolder(), device.preferencesFolder(), device.libraryFolder(),
                              device.dynamicLibrariesFolder(), device.preferenceLoaderFolder(),
                              device.preferenceBundlesFolder(), device.supportFolder()}) {
        for (fs::path p = f.lexically_relative(device.folder()); !p.empty() && p != "."; p = p.parent_path())
            out.insert("/" + p.string());
    }
    return out;
}

}  // namespace

std::vector<std::string> removeEmptyFolders(const Device& device, const std::vector<std::string>& folders,
                                            const std::vector<InstalledPackage>& installed) {
    std::set<std::string> kept = layoutFolders(device);
    for (const auto& p : installed) kept.insert(p.files.begin(), p.files.end());
    std::vector<std::string> sorted(folders.begin(), folders.end());
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    DeviceFiles files(device);
    std::vector<std::string> removed;
    for (const auto& folder : sorted) {
        if (kept.count(folder)) continue;
        if (auto gone = files.removeEmptyFolder(folder.substr(1)); gone && *gone) removed.push_back(folder);
    }
    return removed;
}

void respringIfBooted(const Device& device, PackageChange& change) {
    if (!change.tweaksChanged || !bootState(device)) return;
    respring(device);
    change.resprung = true;
}

}  // namespace sim::pkg
