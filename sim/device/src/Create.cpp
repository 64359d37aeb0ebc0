#include "device/Create.h"

#include "device/DeviceFiles.h"
#include "wire/DeviceModels.h"
#include "device/DeviceUser.h"
#include "wire/Failure.h"
#include "weather/WeatherRecord.h"

namespace sim {

namespace fs = std::filesystem;

InstallResult createDevice(const Device& device, const Profile& profile) {
    if (auto checked = checkProfile(profile); !checked) throw Failure(checked.reason());
    std::error_code ec;
    if (device.exists()) throw Failure(device.folder().string() + " is already a device");
    // A device its own user cannot reach would be refused only at boot.
    requireReachableByDeviceUser(device.folder());
    if (fs::exists(device.folder(), ec)) {
        if (!fs::is_directory(device.folder(), ec)) throw Failure(device.folder().string() + " exists and is not a folder");
        if (!fs::is_empty(device.folder(), ec))
            throw Failure(device.folder().string() + " exists and is not empty; choose a new folder");
    }
    device.makeLayout();
    writeProfile(device.profileFile(), profile);
    // The weather widget's record is there from the start, to read and edit.
    fs::path record = device.varFolder() / fs::path(weather::kRecordFile).relative_path().lexically_relative("var");
    if (auto written = DeviceFiles(device).replace(record, weather::recordData(weather::Record{})); !written)
        throw Failure("cannot write the sample weather record: " + written.reason());
    return installDeliverables(device, profile);
}

}  // namespace sim
