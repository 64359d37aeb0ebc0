#include "device/Create.h"

#include "device/Failure.h"

namespace sim {

namespace fs = std::filesystem;

InstallResult createDevice(const Device& device, const Profile& profile) {
    std::error_code ec;
    if (device.exists()) throw Failure(device.folder().string() + " is already a device");
    if (fs::exists(device.folder(), ec)) {
        if (!fs::is_directory(device.folder(), ec)) throw Failure(device.folder().string() + " exists and is not a folder");
        if (!fs::is_empty(device.folder(), ec))
            throw Failure(device.folder().string() + " exists and is not empty; choose a new folder");
    }
    device.makeLayout();
    writeProfile(device.profileFile(), profile);
    return installDeliverables(device, profile);
}

}  // namespace sim
