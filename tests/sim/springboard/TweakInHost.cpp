#include "TweakInHost.h"

#include <cstdio>

#include "uikit/UIKit.h"

namespace tweak_host {

void writeFile(const std::string& path, const id& dictionary) {
    ns::Result<> written = writeDictionary(path, dictionary);
    ASSERT_TRUE(written) << written.reason();
}

void writeSettings(const std::vector<Setting>& settings) {
    ns::Result<> written = writeTweakSettings(settings);
    ASSERT_TRUE(written) << written.reason();
}

void startHost(const Host& host) {
    ns::Result<> started = startHostWithTweak(host, ORVELLE_TWEAK_PATH);
    ASSERT_TRUE(started) << started.reason();
}

id panel() { return rt::sendClass<id()>(rt::objc_getClass("OVClockViewController"), "sharedInstance"); }

std::vector<id> panelLabels() {
    std::vector<id> labels;
    for (const char* block : {"clockView", "weatherView"})
        for (const id& view : ui::subviews(rt::send<id()>(panel(), block)))
            if (rt::isKindOfClass(view, "UILabel")) labels.push_back(view);
    return labels;
}

bool logged(const std::string& line) {
    for (const std::string& l : logLines())
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
