#include "device/Install.h"

#include "device/DeviceFiles.h"
#include "device/DeviceUser.h"
#include "device/Failure.h"
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
    if (profile.withNine && install(builtNinePackage())) {
        fs::path settings = device.preferencesFolder() / "com.brannoch.nineprefs.plist";
        DeviceFiles files(device);
        auto there = files.status(settings.lexically_relative(device.folder()));
        if (!there) throw Failure(there.reason());
        if (!*there) {
            id prefs = NSDictionaryNew();
            rt::cast<NSDictionary>(prefs)->setObject(NSNum(true), "tweakEnabled");
            if (auto written = files.replace(settings, ns::xmlData(prefs)); !written) throw Failure(written.reason());
        }
    }
    giveToDeviceUser(device);
    return result;
}

}  // namespace sim
