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

#include "HostStart.h"
#include "InChild.h"
#include "foundation/Objects.h"
#include "tests/GeometryPrint.h"

namespace tweak_host {

// Writes the wallpaper and the tweak's settings, sets the device up as the
// device table has it (a virtual clock at Monday 7 December 2026, 21:05:02
// UTC), registers the host classes
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
inline const std::vector<std::string>& logLines() { return capturedLog(); }
bool logged(const std::string& line);

// The colour as "(r g b a)", or "nothing".
std::string describeColour(const id& colour);

using test_support::inChild;

}  // namespace tweak_host
