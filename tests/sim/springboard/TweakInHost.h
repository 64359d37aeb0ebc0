// The built tweak loaded into the home screen's host classes, in-process, at
// the real paths of a fresh device. The tweak loads once per process, so each
// case runs in a child process of its own (inChild), which writes the device's
// files, starts the host and loads the tweak (startHost).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "InChild.h"
#include "foundation/Objects.h"
#include "tests/GeometryPrint.h"

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
    // Runs after the host classes are registered, before the tweak loads (to
    // hook a stock method under the tweak's hook, or add another party's class).
    std::function<void()> beforeLoad = nullptr;
};

// Writes the wallpaper and the tweak's settings, sets the device up (a virtual
// clock at Monday 7 December 2026, 21:05:02 UTC), registers the host classes
// of the version, starts capturing the log and loads the built tweak, as
// SpringBoard does.
void startHost(const Host& host);
// Replaces the tweak's settings file, "enableOVS" on besides `settings`.
void writeSettings(const std::vector<Setting>& settings);
// Writes a property-list file whole, making its folder.
void writeFile(const std::string& path, const id& dictionary);

// The one panel controller (OVClockViewController's shared instance).
id panel();
// The labels the panel shows in its clock and weather blocks.
std::vector<id> panelLabels();
// The log lines written since startHost, each without its line feed.
const std::vector<std::string>& logLines();
bool logged(const std::string& line);

// The colour as "(r g b a)", or "nothing".
std::string describeColour(const id& colour);

using test_support::inChild;

}  // namespace tweak_host
