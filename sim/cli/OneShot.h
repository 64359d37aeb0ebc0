// The dump and screenshot of a stopped device: a headless SpringBoard on a
// virtual clock, in a sandbox over a throw-away copy of the device's files.
#pragma once

#include <functional>
#include <string>

#include "device/Device.h"

namespace cli {

struct OneShotOptions {
    std::string at;        // ISO 8601; empty: now
    std::string run = "2";  // seconds
    std::string locale;    // empty: the profile's
    std::string timeZone;  // empty: the profile's
    std::string logFile;   // where the run's log goes too (empty: nowhere)
    // What the run's throw-away copy gets before SpringBoard starts on it.
    std::function<void(const sim::Device& copy)> prepare;
    // What is taken from the copy after a run that succeeded, before it goes.
    std::function<void(const sim::Device& copy)> keep;
};

// The dump document as SpringBoard wrote it (one line of JSON).
std::string oneShotDump(const sim::Device& device, const OneShotOptions& options);
// The screen as SpringBoard drew it, written to `pngFile` (replaced whole).
void oneShotScreenshot(const sim::Device& device, const OneShotOptions& options, const std::string& pngFile);
// Both of one run: the screen written to `pngFile` (not flushed to the disk
// before it is renamed into place), the dump answered.
std::string oneShotDumpAndScreenshot(const sim::Device& device, const OneShotOptions& options, const std::string& pngFile);

}  // namespace cli
