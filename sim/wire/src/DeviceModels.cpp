#include "wire/DeviceModels.h"

#include <cmath>
#include <cstdio>

#include "foundation/Objects.h"
#include "foundation/TimeZones.h"

namespace sim {

const std::vector<Screen>& screens() {
    static const std::vector<Screen> table{
        {"iPhone", 320, 568, 2, 10, "iPhone SE"},
        {"iPhone", 375, 667, 2, 10, "iPhone 7 and 8"},
        {"iPhone", 414, 736, 3, 10, "iPhone 7 Plus and 8 Plus"},
        // The status bar's height is the toolkit's own value; the housing's
        // width is measured from mock-ups, its height the larger of their
        // 28-30 points, so nothing meant to clear it is put under its edge.
        {"iPhone", 375, 812, 3, 11, "iPhone X", 44, false, {209, 30}},
        {"iPad", 768, 1024, 2, 10, "iPad and iPad mini"},
        {"iPad", 834, 1112, 2, 10, "iPad Pro 10.5-inch"},
        {"iPad", 1024, 1366, 2, 10, "iPad Pro 12.9-inch"},
    };
    return table;
}

const Screen* findScreen(const std::string& model, double width, double height) {
    for (const Screen& s : screens())
        if (model == s.model && ((width == s.width && height == s.height) || (width == s.height && height == s.width)))
            return &s;
    return nullptr;
}

namespace {

struct Version {
    int major = 0, minor = 0, patch = 0;
};

bool parseVersion(const std::string& text, Version& v) {
    if (!isSystemVersion(text)) return false;
    int parts[3] = {0, 0, 0};
    int count = std::sscanf(text.c_str(), "%d.%d.%d", &parts[0], &parts[1], &parts[2]);
    if (count < 2) return false;  // "11" alone names no release
    v = {parts[0], parts[1], parts[2]};
    return true;
}

bool atMost(const Version& v, int minor, int patch) { return v.minor < minor || (v.minor == minor && v.patch <= patch); }

std::string number(double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e9) return std::to_string(static_cast<long long>(value));
    return format("%g", value);
}

std::string describe(const Screen& s) { return number(s.width) + "x" + number(s.height) + "@" + number(s.scale); }

}  // namespace

bool isSupportedVersion(const std::string& version) {
    Version v;
    if (!parseVersion(version, v)) return false;
    if (v.major == 10) return atMost(v, 3, 4);
    if (v.major == 11) return atMost(v, 4, 1);
    return false;
}

std::string screensOf(const std::string& model, const std::string& version) {
    Version v;
    parseVersion(version, v);
    std::string list;
    for (const Screen& s : screens())
        if (model == s.model && v.major >= s.firstMajor) list += (list.empty() ? "" : ", ") + describe(s);
    return list;
}

double scaleOf(const std::string& model, const std::string& version, double width, double height) {
    Version v;
    if (!parseVersion(version, v)) return 0;
    for (const Screen& s : screens())
        if (model == s.model && v.major >= s.firstMajor && width == s.width && height == s.height) return s.scale;
    return 0;
}

ns::Result<> checkProfile(const Profile& p) {
    if (p.model != "iPhone" && p.model != "iPad")
        return ns::fail("the model \"" + p.model + "\" is not one of iPhone, iPad");
    if (!isSupportedVersion(p.systemVersion))
        return ns::fail("the system version \"" + p.systemVersion + "\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1");
    double scale = scaleOf(p.model, p.systemVersion, p.screenWidth, p.screenHeight);
    if (scale == 0 || scale != p.screenScale) {
        std::string given = number(p.screenWidth) + "x" + number(p.screenHeight);
        if (scale != 0) given += "@" + number(p.screenScale);
        // A screen of a later system says which.
        Version v;
        parseVersion(p.systemVersion, v);
        std::string later;
        for (const Screen& s : screens())
            if (p.model == s.model && p.screenWidth == s.width && p.screenHeight == s.height && v.major < s.firstMajor)
                later = " (the " + number(s.width) + "x" + number(s.height) + " screen came with system " +
                        std::to_string(s.firstMajor) + ".0)";
        return ns::fail("the screen " + given + " is not one of the " + p.model + " screens of system " + p.systemVersion +
                        ": " + screensOf(p.model, p.systemVersion) + later);
    }
    if (!ns::isKnownTimeZone(p.timeZone))
        return ns::fail("the time zone \"" + p.timeZone + "\" is not one the date library knows (like Europe/Paris, UTC)");
    if (!ns::isKnownLocale(p.locale))
        return ns::fail("the locale \"" + p.locale + "\" is not one the date library knows (like en_US, fr_FR)");
    return {};
}

ns::Result<Profile> chooseDevice(Profile p, const DeviceChoice& choice) {
    if (choice.model) p.model = *choice.model;
    if (choice.version) p.systemVersion = *choice.version;
    if (choice.locale) p.locale = *choice.locale;
    if (choice.timeZone) p.timeZone = *choice.timeZone;
    if (choice.screen) {
        Profile parsed = p;
        parsed.screenScale = 0;
        if (!parseScreen(*choice.screen, parsed))
            return ns::fail("the screen \"" + *choice.screen + "\" is not like 375x667 or 375x667@2");
        if (parsed.screenScale == 0)
            parsed.screenScale = scaleOf(p.model, p.systemVersion, parsed.screenWidth, parsed.screenHeight);
        p.screenWidth = parsed.screenWidth;
        p.screenHeight = parsed.screenHeight;
        p.screenScale = parsed.screenScale;
    } else if (choice.model && scaleOf(p.model, p.systemVersion, p.screenWidth, p.screenHeight) == 0) {
        for (const Screen& s : screens())
            if (p.model == s.model) {
                p.screenWidth = s.width;
                p.screenHeight = s.height;
                p.screenScale = s.scale;
                break;
            }
    }
    if (auto checked = checkProfile(p); !checked) return ns::fail(checked.reason());
    return p;
}

}  // namespace sim
