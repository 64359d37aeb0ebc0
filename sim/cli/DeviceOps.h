// What the verbs and the web simulator do to a device alike: ask its
// SpringBoard, set its weather, read its wallpaper.
#pragma once

#include <filesystem>
#include <string>

#include "device/Device.h"
#include "wire/Profile.h"
#include "weather/WeatherRecord.h"
#include "wire/springboard.pb.h"

namespace cli {

// One request to the booted device's SpringBoard; its answer, or a failure
// naming the device and why (a failure answer included).
wire::Answer ask(const sim::Device& device, const wire::ToSpringBoard& request, double timeoutSeconds = 10);

std::filesystem::path weatherFile(const sim::Device& device);
std::filesystem::path homeScreenSettingsFile(const sim::Device& device);

// The weather record of the device (the sample one when it has none or it
// cannot be read).
weather::Record weatherOf(const sim::Device& device);
// Writes the weather record, its icon checked.
void writeWeather(const sim::Device& device, const weather::Record& record);
// Writes the weather record and, on a booted device, has the widgets refresh
// now; answers what SpringBoard did ("1 refreshed"; empty when the device is stopped).
std::string applyWeather(const sim::Device& device, const weather::Record& record);

// The home screen's wallpaper setting: "dark" (also when unset), "light" or a
// picture's path. Setting it takes effect at the next start of SpringBoard.
std::string wallpaperOf(const sim::Device& device);
void setWallpaper(const sim::Device& device, const std::string& wallpaper);

// Stops the device, makes it `profile` and boots it again; back to `before`
// (booted again, its wallpaper as it was) when it does not start, failing
// with both reasons. A device that was not booted is only made anew.
void restartAs(const sim::Device& device, const sim::Profile& profile, const sim::Profile& before,
               const std::string& wallpaperBefore);
// "iPhone 11.1.2, 375x667@2, UTC, en_US"
std::string describe(const sim::Profile& profile);

}  // namespace cli
