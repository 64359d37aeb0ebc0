// Putting the settings pane into a device: the bundle under PreferenceBundles,
// its entry for the Settings app, and the QR-code picture.
#include <unistd.h>

#include "device/BuildTree.h"
#include "device/Failure.h"
#include "device/Install.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// Copy beside the target, then rename over it: a running Settings app keeps the file it has open.
void copyOver(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    fs::path temporary = to;
    temporary += ".installing-" + std::to_string(getpid());
    if (!ec) fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temporary, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw Failure("cannot install " + from.string() + " as " + to.string() + ": " + ec.message());
    }
}

}  // namespace

void installPane(const Device& device, InstallResult& result) {
    fs::path built = libFolder() / "ORVELLEPB.bundle";
    std::error_code ec;
    if (!fs::is_regular_file(built / "ORVELLEPB", ec)) {
        result.notBuilt.push_back((built / "ORVELLEPB").string());
        return;
    }
    auto inside = [&](const fs::path& file) { return "/" + file.lexically_relative(device.folder()).string(); };
    fs::path bundle = device.preferenceBundlesFolder() / "ORVELLEPB.bundle";
    for (const char* name : {"Info.plist", "Root.plist", "More.plist", "ORVELLEPB"}) {
        copyOver(built / name, bundle / name);
        result.installed.push_back(inside(bundle / name));
    }
    fs::path entry = device.preferenceLoaderFolder() / "ORVELLEPB.plist";
    copyOver(sourceFolder() / "orvellepb" / "entry.plist", entry);
    result.installed.push_back(inside(entry));
    fs::path picture = device.supportFolder() / "QRCode.JPG";
    copyOver(built / "QRCode.JPG", picture);
    result.installed.push_back(inside(picture));
}

}  // namespace sim
