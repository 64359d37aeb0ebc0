#include "DeviceOps.h"

#include "device/Boot.h"
#include "device/Control.h"
#include "device/Failure.h"
#include "foundation/PropertyList.h"
#include "renderer/Wallpaper.h"

namespace cli {

namespace fs = std::filesystem;

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

std::string applyWeather(const sim::Device& device, const weather::Record& record) {
    std::string file = weatherFile(device).string();
    if (!weather::isKnownIcon(record.icon)) throw sim::Failure("the weather icon \"" + record.icon + "\" is not one of sun, cloud, rain, snow");
    if (!weather::writeRecord(file, record)) throw sim::Failure("cannot write " + file);
    return sim::bootState(device) ? ask(device, "weather") : std::string();
}

std::string wallpaperOf(const sim::Device& device) {
    auto settings = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(homeScreenSettingsFile(device).string()));
    id value = settings ? settings->objectForKey("wallpaper") : id{};
    return isString(value) && render::parseWallpaper(str(value)) ? str(value) : "dark";
}

void setWallpaper(const sim::Device& device, const std::string& wallpaper) {
    if (!render::parseWallpaper(wallpaper))
        throw sim::Failure("the wallpaper \"" + wallpaper + "\" is neither dark, light nor an absolute picture path");
    std::string file = homeScreenSettingsFile(device).string();
    id settings = ns::mutableDictionaryWithContentsOfFile(file);
    if (!settings) settings = NSDictionaryNew();
    rt::cast<NSMutableDictionary>(settings)->setObject(NSStr(wallpaper), "wallpaper");
    std::error_code ec;
    fs::create_directories(homeScreenSettingsFile(device).parent_path(), ec);
    if (!ns::writeToFile(settings, file)) throw sim::Failure("cannot write " + file);
}

}  // namespace cli
