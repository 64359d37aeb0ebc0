// A device is a folder: its own /var and /Library trees, its profile, the run
// folder of a booted device and its log.
#pragma once

#include <filesystem>

namespace sim {

class Device {
public:
    // The folder is made absolute; nothing is checked yet.
    explicit Device(const std::filesystem::path& folder);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path profileFile() const { return folder_ / "profile.plist"; }
    std::filesystem::path varFolder() const { return folder_ / "var"; }
    std::filesystem::path libraryFolder() const { return folder_ / "Library"; }
    std::filesystem::path runFolder() const { return folder_ / "run"; }
    // The tool's own records of the device, never shown inside it.
    std::filesystem::path hostFolder() const { return folder_ / "host"; }
    std::filesystem::path logFolder() const { return folder_ / "log"; }
    std::filesystem::path logFile() const { return logFolder() / "device.log"; }

    std::filesystem::path preferencesFolder() const { return varFolder() / "mobile/Library/Preferences"; }
    std::filesystem::path settingsFile() const { return preferencesFolder() / "com.tovik.orvelle.plist"; }
    std::filesystem::path dynamicLibrariesFolder() const { return libraryFolder() / "MobileSubstrate/DynamicLibraries"; }
    std::filesystem::path preferenceLoaderFolder() const { return libraryFolder() / "PreferenceLoader/Preferences"; }
    std::filesystem::path preferenceBundlesFolder() const { return libraryFolder() / "PreferenceBundles"; }
    std::filesystem::path supportFolder() const { return libraryFolder() / "Application Support/OVS"; }

    // Files of a booted device: the tool's own record and lock (where the
    // device cannot write), and what its programs keep in the run folder.
    std::filesystem::path bootStateFile() const { return hostFolder() / "boot.state"; }
    std::filesystem::path lockFile() const { return hostFolder() / "lock"; }
    std::filesystem::path programsFile() const { return runFolder() / "programs"; }
    std::filesystem::path controlSocket() const { return runFolder() / "springboard.sock"; }

    // A device folder is one with a profile.
    bool exists() const;
    // Fails with a clear line unless the device exists.
    void requireExists() const;
    // Makes every folder of the layout (existing ones are kept): the device's
    // own trees its user's, never through a link.
    void makeLayout() const;

private:
    std::filesystem::path folder_;
};

}  // namespace sim
