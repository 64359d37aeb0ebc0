#include "DeviceOps.h"

#include <cstdio>
#include <sstream>

#include "device/Boot.h"
#include "device/Install.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "wire/Failure.h"
#include "foundation/PropertyList.h"
#include "renderer/Wallpaper.h"
#include "wire/Requests.h"

namespace cli {

namespace fs = std::filesystem;

namespace {
// The home screen's settings and the weather record are a few hundred bytes.
constexpr std::size_t kLongestSmallFile = 1024 * 1024;
}  // namespace

wire::Answer ask(const sim::Device& device, const wire::ToSpringBoard& request, double timeoutSeconds) {
    if (!sim::bootState(device)) throw sim::Failure(device.folder().string() + " is not booted");
    auto answer = sim::askSpringBoard(device, request, timeoutSeconds);
    if (!answer) throw sim::Failure(answer.reason());
    if (answer->has_failure()) throw sim::Failure("SpringBoard: " + answer->failure().reason());
    return std::move(*answer);
}

fs::path weatherFile(const sim::Device& device) {
    // The record's path inside the device, under the device's var folder.
    return device.varFolder() / fs::path(weather::kRecordFile).lexically_relative("/var");
}

fs::path homeScreenSettingsFile(const sim::Device& device) {
    return device.preferencesFolder() / "com.apple.springboard.plist";
}

weather::Record weatherOf(const sim::Device& device) {
    auto bytes = sim::DeviceFiles(device).read(weatherFile(device), kLongestSmallFile);
    return bytes ? weather::recordFromData(*bytes) : weather::Record{};
}

void writeWeather(const sim::Device& device, const weather::Record& record) {
    if (record.icon && !weather::isKnownIcon(*record.icon))
        throw sim::Failure("the weather icon \"" + *record.icon + "\" is not one of sun, cloud, rain, snow");
    if (auto written = sim::DeviceFiles(device).replace(weatherFile(device), weather::recordData(record)); !written)
        throw sim::Failure(written.reason());
}

std::string applyWeather(const sim::Device& device, const weather::Record& record) {
    writeWeather(device, record);
    if (!sim::bootState(device)) return {};
    return std::to_string(ask(device, wire::refreshWeatherRequest()).refreshed()) + " refreshed";
}

std::string wallpaperOf(const sim::Device& device) {
    auto bytes = sim::DeviceFiles(device).read(homeScreenSettingsFile(device), kLongestSmallFile);
    auto settings = bytes ? rt::cast<NSDictionary>(ns::dictionaryFromData(*bytes)) : nullptr;
    id value = settings ? settings->objectForKey("wallpaper") : id{};
    return isString(value) && render::parseWallpaper(str(value)) ? str(value) : "dark";
}

void setWallpaper(const sim::Device& device, const std::string& wallpaper) {
    if (!render::parseWallpaper(wallpaper))
        throw sim::Failure("the wallpaper \"" + wallpaper + "\" is neither dark, light nor an absolute picture path");
    sim::DeviceFiles files(device);
    auto bytes = files.read(homeScreenSettingsFile(device), kLongestSmallFile);
    id settings = bytes ? ns::propertyListFromData(*bytes) : id{};
    auto dictionary = rt::cast<NSDictionary>(settings);
    if (!dictionary) dictionary = rt::cast<NSDictionary>(NSDictionaryNew());
    dictionary->setObject(NSStr(wallpaper), "wallpaper");
    if (auto written = files.replace(homeScreenSettingsFile(device), ns::xmlData(dictionary)); !written)
        throw sim::Failure(written.reason());
}

}  // namespace cli

namespace cli {

std::string describe(const sim::Profile& p) {
    std::ostringstream out;
    out << p.model << " " << p.systemVersion << ", " << p.screenWidth << "x" << p.screenHeight << "@" << p.screenScale
        << ", " << p.timeZone << ", " << p.locale;
    return out.str();
}

void restartAs(const sim::Device& device, const sim::Profile& profile, const sim::Profile& before,
               const std::string& wallpaperBefore) {
    bool booted = sim::bootState(device).has_value();
    if (booted) sim::shutdown(device);
    sim::writeProfile(device.profileFile(), profile);
    sim::installDeliverables(device, profile);
    if (!booted) return;
    std::string why;
    try {
        sim::BootState state = sim::boot(device, sim::BootOptions{});
        if (state.safeMode.empty()) return;
        // Up without its tweaks is not the device asked for.
        why = "it came up in safe mode: " + state.safeMode;
        sim::shutdown(device);
    } catch (const sim::Failure& e) {
        why = e.what();
    }
    // Back to the device that ran.
    std::fprintf(stderr, "orvelle-sim: serve: %s did not start as %s: %s; starting it again as %s\n",
                 device.folder().c_str(), describe(profile).c_str(), why.c_str(), describe(before).c_str());
    try {
        sim::writeProfile(device.profileFile(), before);
        sim::installDeliverables(device, before);
        if (wallpaperOf(device) != wallpaperBefore) setWallpaper(device, wallpaperBefore);
        sim::boot(device, sim::BootOptions{});
    } catch (const sim::Failure& again) {
        throw sim::Failure("the device did not start as " + describe(profile) + " (" + why + "), nor again as before (" +
                           again.what() + ")");
    }
    throw sim::Failure("the device did not start as " + describe(profile) + " (" + why + "); it runs again as before, " +
                       describe(before));
}

}  // namespace cli
