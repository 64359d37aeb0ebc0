#include "device/Install.h"

#include "device/DeviceUser.h"
#include "wire/Failure.h"
#include "foundation/PropertyList.h"

namespace sim {

namespace fs = std::filesystem;

fs::path builtOrvellePackage() { return ORVELLE_PACKAGE_FILE; }
fs::path builtNinePackage() { return NINE_PACKAGE_FILE; }

InstallResult installDeliverables(const Device& device, const Profile& profile) {
    InstallResult result;
    device.makeLayout();
    auto install = [&](const fs::path& package) {
        std::error_code ec;
        if (!fs::is_regular_file(package, ec)) {
            result.notBuilt.push_back(package.string());
            return false;
        }
        result.changes.push_back(installPackage(device, package));
        return true;
    };
    install(builtOrvellePackage());
    // Nine's package switches it on itself, from whichever way it is installed.
    if (profile.withNine) install(builtNinePackage());
    giveToDeviceUser(device);
    return result;
}

}  // namespace sim
