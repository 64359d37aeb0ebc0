// The devices these system versions ran on: one table of models, screens,
// scales and system versions for the tool, the web simulator and the device
// itself, so a device is never set up as one that could not run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wire/Profile.h"
#include "foundation/Result.h"

namespace sim {

// The sensor housing at the top of a screen without a home button, centred,
// in points; the status bar's two ears lie left and right of it.
struct SensorHousing {
    double width = 0, height = 0;
    bool present() const { return width > 0 && height > 0; }
};

struct Screen {
    const char* model;     // "iPhone" or "iPad"
    double width, height;  // points, portrait
    double scale;
    int firstMajor;        // the first system version that ran on it (10 or 11)
    const char* example;   // a device of that shape, for people
    double statusBarHeight = 20;  // the toolkit's status bar frame
    bool homeButton = true;
    SensorHousing housing = {};
};

// Every screen of the table, phones first.
const std::vector<Screen>& screens();
// The table's screen of that model and size (either way round); nothing when
// the table has none.
const Screen* findScreen(const std::string& model, double width, double height);

// "10.0" to "10.3.4" and "11.0" to "11.4.1".
bool isSupportedVersion(const std::string& version);
// The screens a model has on a version, as "375x667@2, ...".
std::string screensOf(const std::string& model, const std::string& version);
// The table's scale for a screen of that model and version, 0 when it has none.
double scaleOf(const std::string& model, const std::string& version, double width, double height);

// Whether a profile describes a device of the table, with a time zone and a
// locale the date library knows; the reason names what is accepted.
ns::Result<> checkProfile(const Profile& profile);

// What a person asks of a device; an absent choice keeps what the device has.
struct DeviceChoice {
    std::optional<std::string> model;     // "iPhone", "iPad"
    std::optional<std::string> version;   // "11.1.2"
    std::optional<std::string> screen;    // "375x667", or "375x667@2"
    std::optional<std::string> locale;    // "fr_FR"
    std::optional<std::string> timeZone;  // "Europe/Paris"
};

// The profile `base` becomes with the choices, checked against the table. A
// screen without its scale takes the table's; a new model without a screen
// takes its first screen when the old one is not one of its own.
ns::Result<Profile> chooseDevice(Profile base, const DeviceChoice& choice);

}  // namespace sim
