// The panes of the Settings app: the entry plists of the PreferenceLoader
// folder, their bundles, and the first page of each.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"

namespace prefs {

inline constexpr const char* kEntriesFolder = "/Library/PreferenceLoader/Preferences";
inline constexpr const char* kBundlesFolder = "/Library/PreferenceBundles";
inline constexpr const char* kSystemBundlesFolder = "/System/Library/PreferenceBundles";

struct Pane {
    std::string label;        // as listed in Settings
    std::string bundleName;   // "ORVELLEPB"
    std::string bundleFolder;
    std::string entryFile;
    id controller;            // the first page, nothing when the bundle failed
    std::string error;        // why there is no page
};

// Every entry of `entriesFolder` (subfolders too) with an `entry` dictionary,
// sorted by label without regard to case; each bundle is loaded and its first
// page made. A bundle that is missing drops its pane; one that fails to load
// keeps the pane with its error, as the Settings app shows it.
std::vector<Pane> loadPanes(const std::string& entriesFolder = kEntriesFolder,
                            const std::vector<std::string>& bundleFolders = {kBundlesFolder, kSystemBundlesFolder});

}  // namespace prefs
