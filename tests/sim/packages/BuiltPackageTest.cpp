// The package this build makes of the tweak and its pane: its fields and its
// files in the device's layout, its libraries without the build's search path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "PackageWriter.h"
#include "device/DebPackage.h"
#include "device/PackageControl.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// readelf's account of a library's dynamic section.
std::string dynamicSection(const fs::path& library) {
    std::string out;
    FILE* readelf = popen(("/usr/bin/readelf -d '" + library.string() + "'").c_str(), "r");
    if (!readelf) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, readelf)) out.append(buffer, n);
    if (pclose(readelf) != 0) return "";
    return out;
}

sim::DebPackage builtPackage() {
    auto package = sim::readPackage(readFile(ORVELLE_PACKAGE_FILE));
    if (!package) throw std::runtime_error(std::string(ORVELLE_PACKAGE_FILE) + ": " + package.reason());
    return *package;
}

TEST(BuiltPackage, TakesItsFieldsFromTheControlFileAndTheArchitectureFromThisMachine) {
    auto fields = sim::parseControl(builtPackage().control);
    ASSERT_TRUE(fields) << fields.reason();
    auto source = sim::parseControl(readFile(fs::path(ORVELLE_SOURCE_DIR) / "control"));
    ASSERT_TRUE(source);
    for (const char* field : {"Package", "Name", "Version", "Depends", "Section", "Description", "Maintainer", "Author"})
        EXPECT_EQ((*fields)[field], (*source)[field]) << field;
    EXPECT_EQ((*fields)["Architecture"], machineArchitecture()) << "the binaries run on this machine, not on a phone";
    EXPECT_FALSE((*fields)["Installed-Size"].empty());
    EXPECT_EQ(fs::path(ORVELLE_PACKAGE_FILE).filename().string(),
              (*source)["Package"] + "_" + (*source)["Version"] + "_" + machineArchitecture() + ".deb");
}

TEST(BuiltPackage, HoldsTheTweakItsFilterThePaneAndItsEntryInTheDevicesLayout) {
    std::vector<std::string> files;
    for (const auto& e : builtPackage().entries)
        if (!e.folder) files.push_back(e.path);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{
                         "/Library/Application Support/OVS/QRCode.JPG",
                         "/Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib",
                         "/Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.plist",
                         "/Library/PreferenceBundles/ORVELLEPB.bundle/Info.plist",
                         "/Library/PreferenceBundles/ORVELLEPB.bundle/More.plist",
                         "/Library/PreferenceBundles/ORVELLEPB.bundle/ORVELLEPB",
                         "/Library/PreferenceBundles/ORVELLEPB.bundle/Root.plist",
                         "/Library/PreferenceLoader/Preferences/ORVELLEPB.plist",
                     }));
}

TEST(BuiltPackage, ItsLibrariesCarryNoSearchPathAndNeedThePlatformByItsSonames) {
    const std::vector<std::string> libraries{"/Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib",
                                             "/Library/PreferenceBundles/ORVELLEPB.bundle/ORVELLEPB"};
    std::size_t checked = 0;
    for (const auto& e : builtPackage().entries) {
        if (std::find(libraries.begin(), libraries.end(), e.path) == libraries.end()) continue;
        ++checked;
        fs::path copy = fs::temp_directory_path() / ("built-package-" + std::to_string(getpid()));
        std::ofstream(copy, std::ios::binary) << e.bytes;
        std::string dynamic = dynamicSection(copy);
        fs::remove(copy);
        ASSERT_NE(dynamic.find("NEEDED"), std::string::npos) << e.path << ": readelf cannot read it";
        EXPECT_EQ(dynamic.find("RPATH"), std::string::npos) << e.path << "\n" << dynamic;
        EXPECT_EQ(dynamic.find("RUNPATH"), std::string::npos) << e.path << "\n" << dynamic;
        EXPECT_NE(dynamic.find("[libruntime.so.1]"), std::string::npos) << e.path << "\n" << dynamic;
    }
    EXPECT_EQ(checked, libraries.size());
}

}  // namespace
