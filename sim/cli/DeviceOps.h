// What the verbs and the web simulator do to a device alike: ask its
// SpringBoard, set its weather, read its wallpaper.
#pragma once

#include <filesystem>
#include <string>

#include "device/Device.h"
#include "weather/WeatherRecord.h"

namespace cli {

// One command to the booted device's SpringBoard; its reply, or a failure
// naming the device and the command.
std::string ask(const sim::Device& device, const std::string& command, double timeoutSeconds = 10);

std::filesystem::path weatherFile(const sim::Device& device);
std::filesystem::path homeScreenSettingsFile(const sim::Device& device);

// The weather record of the device (the sample one when it has none or it
// cannot be read).
weather::Record weatherOf(const sim::Device& device);
// Writes the weather record and, on a booted device, has the widgets refresh
// now; answers SpringBoard's reply (empty when the device is stopped).
std::string applyWeather(const sim::Device& device, const weather::Record& record);

// The home screen's wallpaper setting: "dark" (also when unset), "light" or a
// picture's path. Setting it takes effect at the next start of SpringBoard.
std::string wallpaperOf(const sim::Device& device);
void setWallpaper(const sim::Device& device, const std::string& wallpaper);

}  // namespace cli
