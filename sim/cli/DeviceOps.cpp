#include "DeviceOps.h"

#include "device/Boot.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "device/Failure.h"
#include "foundation/PropertyList.h"
#include "renderer/Wallpaper.h"

namespace cli {

namespace fs = std::filesystem;

namespace {
// The home screen's settings and the weather record are a few hundred bytes.
constexpr std::size_t kLongestSmallFile = 1024 * 1024;
}  // namespace

std::string ask(const sim::Device& device, const std::string& command, double timeoutSeconds) {
    if (!sim::bootState(device)) throw sim::Failure(device.folder().string() + " is not booted");
    auto reply = sim::askSpringBoard(device, command, timeoutSeconds);
    if (!reply) throw sim::Failure("SpringBoard of " + device.folder().string() + " did not answer \"" + command + "\"");
    if (reply->rfind("error: ", 0) == 0) throw sim::Failure("SpringBoard: " + reply->substr(7));
    return *reply;
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

std::string applyWeather(const sim::Device& device, const weather::Record& record) {
    if (record.icon && !weather::isKnownIcon(*record.icon))
        throw sim::Failure("the weather icon \"" + *record.icon + "\" is not one of sun, cloud, rain, snow");
    if (auto written = sim::DeviceFiles(device).replace(weatherFile(device), weather::recordData(record)); !written)
        throw sim::Failure(written.reason());
    return sim::bootState(device) ? ask(device, "weather") : std::string();
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
