// The built tweak loaded into the home screen's host classes, in-process, at
// the real paths of a device: what each in-process case and the scene drawer
// start with. The tweak loads once per process, so each start is a process's
// own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "foundation/Result.h"

namespace tweak_host {

struct Setting {
    std::string key;
    id value;
};

struct Host {
    std::string version = "11.1.2";
    std::string wallpaper = "dark";    // the home screen's: "dark" or "light"
    std::vector<Setting> settings = {};  // the tweak's, besides "enableOVS" on
    double width = 375, height = 667;  // the screen, in points
    std::string model = "iPhone";
    // Runs after the host classes are registered, before the tweak loads (to
    // hook a stock method under the tweak's hook, or add another party's class).
    std::function<void()> beforeLoad = nullptr;
};

// Writes a property-list file whole, making its folder.
ns::Result<> writeDictionary(const std::string& path, const id& dictionary);
// Replaces the tweak's settings file, "enableOVS" on besides `settings`.
ns::Result<> writeTweakSettings(const std::vector<Setting>& settings);

// Writes the wallpaper and the tweak's settings, sets the device up as the
// device table has it (a virtual clock at Monday 7 December 2026, 21:05:02
// UTC), registers the host classes of the version, starts capturing the log
// and loads the tweak at `tweakPath`, as SpringBoard does.
ns::Result<> startHostWithTweak(const Host& host, const std::string& tweakPath);

// The log lines written since the start, each without its line feed.
const std::vector<std::string>& capturedLog();

}  // namespace tweak_host
