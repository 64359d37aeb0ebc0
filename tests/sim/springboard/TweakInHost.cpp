#include "TweakInHost.h"

#include <dlfcn.h>

#include <filesystem>

#include "HostClass.h"
#include "Legibility.h"
#include "Settings.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"

namespace tweak_host {

namespace {

std::vector<std::string>& lines() {
    static auto* captured = new std::vector<std::string>;
    return *captured;
}

}  // namespace

void writeFile(const std::string& path, const id& dictionary) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(ns::writeToFile(dictionary, path)) << "cannot write " << path;
}

void writeSettings(const std::vector<Setting>& settings) {
    id dictionary = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dictionary);
    d->setObject(NSNum(true), "enableOVS");
    for (const Setting& s : settings) d->setObject(s.value, s.key);
    writeFile(orvelle::kSettingsFile, dictionary);
}

void startHost(const Host& host) {
    id home = NSDictionaryNew();
    rt::cast<NSDictionary>(home)->setObject(NSStr(host.wallpaper), "wallpaper");
    writeFile(springboard::kHomeScreenSettingsFile, home);
    writeSettings(host.settings);

    ui::DeviceProfile device;
    device.systemVersion = host.version;
    device.screenWidth = host.width;
    device.screenHeight = host.height;
    ui::configureDevice(device);
    ns::useVirtualClock(1796677502);
    springboard::registerAllHostClasses(std::atoi(host.version.c_str()));
    if (host.beforeLoad) host.beforeLoad();
    ns::setLogSink([](const std::string& line) { lines().push_back(line.substr(0, line.find('\n'))); });
    ASSERT_TRUE(dlopen(ORVELLE_TWEAK_PATH, RTLD_NOW | RTLD_GLOBAL)) << "cannot load the tweak: " << dlerror();
}

id panel() { return rt::sendClass<id()>(rt::objc_getClass("OVClockViewController"), "sharedInstance"); }

std::vector<id> panelLabels() {
    std::vector<id> labels;
    for (const char* block : {"clockView", "weatherView"})
        for (const id& view : ui::subviews(rt::send<id()>(panel(), block)))
            if (rt::isKindOfClass(view, "UILabel")) labels.push_back(view);
    return labels;
}

const std::vector<std::string>& logLines() { return lines(); }

bool logged(const std::string& line) {
    for (const std::string& l : lines())
        if (l == line) return true;
    return false;
}

std::string describeColour(const id& colour) {
    auto c = rt::cast<UIColor>(colour);
    if (!c) return "nothing";
    char text[80];
    std::snprintf(text, sizeof text, "(%g %g %g %g)", c->red, c->green, c->blue, c->alpha);
    return text;
}

}  // namespace tweak_host
