#include "device/Install.h"

#include "foundation/FileReplace.h"

#include <unistd.h>

#include <fstream>

#include "device/BuildTree.h"
#include "device/DeviceUser.h"
#include "device/Failure.h"
#include "device/FileCopy.h"
#include "foundation/PropertyList.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

std::string insidePath(const Device& device, const fs::path& file) {
    return "/" + file.lexically_relative(device.folder()).string();
}

const char* const kNineFilter =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n<dict>\n\t<key>Filter</key>\n\t<dict>\n\t\t<key>Bundles</key>\n\t\t<array>\n"
    "\t\t\t<string>com.apple.springboard</string>\n\t\t</array>\n\t</dict>\n</dict>\n</plist>\n";

}  // namespace

InstallResult installDeliverables(const Device& device, const Profile& profile) {
    InstallResult result;
    device.makeLayout();
    DeviceFiles files(device);
    auto install = [&](const fs::path& from, const fs::path& to) {
        std::error_code ec;
        if (!fs::is_regular_file(from, ec)) {
            result.notBuilt.push_back(from.string());
            return false;
        }
        installFile(files, from, to);
        result.installed.push_back(insidePath(device, to));
        return true;
    };

    fs::path libraries = device.dynamicLibrariesFolder();
    if (install(libFolder() / "libOrvelleiOS10.so", libraries / "OrvelleiOS10.dylib"))
        install(sourceFolder() / "OrvelleiOS10.plist", libraries / "OrvelleiOS10.plist");
    installPane(device, result);

    if (profile.withNine && install(libFolder() / "nine.dylib", libraries / "nine.dylib")) {
        fs::path filter = libraries / "nine.plist";
        if (auto written = files.replace(filter, kNineFilter); !written) throw Failure(written.reason());
        result.installed.push_back(insidePath(device, filter));

        fs::path settings = device.preferencesFolder() / "com.brannoch.nineprefs.plist";
        std::error_code ec;
        if (fs::symlink_status(settings, ec).type() == fs::file_type::not_found) {
            id prefs = NSDictionaryNew();
            rt::cast<NSDictionary>(prefs)->setObject(NSNum(true), "tweakEnabled");
            if (auto written = files.replace(settings, ns::xmlData(prefs)); !written) throw Failure(written.reason());
            result.installed.push_back(insidePath(device, settings));
        }
    }
    giveToDeviceUser(device);
    return result;
}

}  // namespace sim
