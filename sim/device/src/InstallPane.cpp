// Putting the settings pane into a device: the bundle under PreferenceBundles,
// its entry for the Settings app, and the QR-code picture.
#include <unistd.h>

#include "device/BuildTree.h"
#include "device/Failure.h"
#include "device/FileCopy.h"
#include "device/Install.h"

namespace sim {

namespace fs = std::filesystem;

void installPane(const Device& device, InstallResult& result) {
    fs::path built = libFolder() / "ORVELLEPB.bundle";
    std::error_code ec;
    if (!fs::is_regular_file(built / "ORVELLEPB", ec)) {
        result.notBuilt.push_back((built / "ORVELLEPB").string());
        return;
    }
    auto inside = [&](const fs::path& file) { return "/" + file.lexically_relative(device.folder()).string(); };
    DeviceFiles files(device);
    fs::path bundle = device.preferenceBundlesFolder() / "ORVELLEPB.bundle";
    for (const char* name : {"Info.plist", "Root.plist", "More.plist", "ORVELLEPB"}) {
        installFile(files, built / name, bundle / name);
        result.installed.push_back(inside(bundle / name));
    }
    fs::path entry = device.preferenceLoaderFolder() / "ORVELLEPB.plist";
    installFile(files, sourceFolder() / "orvellepb" / "entry.plist", entry);
    result.installed.push_back(inside(entry));
    fs::path picture = device.supportFolder() / "QRCode.JPG";
    installFile(files, built / "QRCode.JPG", picture);
    result.installed.push_back(inside(picture));
}

}  // namespace sim
