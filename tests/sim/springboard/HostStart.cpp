#include "HostStart.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "HostClass.h"
#include "Legibility.h"
#include "Settings.h"
#include "inside/ToolkitProfile.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

namespace tweak_host {

namespace {
std::vector<std::string>& lines() {
    static auto* captured = new std::vector<std::string>;
    return *captured;
}
}  // namespace

ns::Result<> writeDictionary(const std::string& path, const id& dictionary) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (!ns::writeToFile(dictionary, path)) return ns::fail("cannot write " + path);
    return {};
}

ns::Result<> writeTweakSettings(const std::vector<Setting>& settings) {
    id dictionary = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dictionary);
    d->setObject(NSNum(true), "enableOVS");
    for (const Setting& s : settings) d->setObject(s.value, s.key);
    return writeDictionary(orvelle::kSettingsFile, dictionary);
}

ns::Result<> startHostWithTweak(const Host& host, const std::string& tweakPath) {
    id home = NSDictionaryNew();
    rt::cast<NSDictionary>(home)->setObject(NSStr(host.wallpaper), "wallpaper");
    if (auto written = writeDictionary(springboard::kHomeScreenSettingsFile, home); !written) return written;
    if (auto written = writeTweakSettings(host.settings); !written) return written;

    sim::Profile device;
    device.model = host.model;
    device.systemVersion = host.version;
    device.screenWidth = host.width;
    device.screenHeight = host.height;
    device.screenScale = 2;
    sim::configureToolkit(device);
    ns::useVirtualClock(1796677502);
    springboard::registerAllHostClasses(std::atoi(host.version.c_str()));
    if (host.beforeLoad) host.beforeLoad();
    ns::setLogSink([](const std::string& line) { lines().push_back(line.substr(0, line.find('\n'))); });
    if (!dlopen(tweakPath.c_str(), RTLD_NOW | RTLD_GLOBAL)) return ns::fail(std::string("cannot load the tweak: ") + dlerror());
    return {};
}

const std::vector<std::string>& capturedLog() { return lines(); }

}  // namespace tweak_host
