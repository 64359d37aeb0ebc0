#include "Tweak/WeatherHooks.h"

#include "Settings.h"
#include "foundation/NotificationCenter.h"

namespace orvelle {

namespace {

// The widget lays its view out in this format, whatever it asks for.
constexpr unsigned long kLayoutFormat = 2;

unsigned long (*stockFormat)(id, SEL) = nullptr;
void (*stockSetFormat)(id, SEL, unsigned long) = nullptr;
void (*stockSetTemperature)(id, SEL, id) = nullptr;
void (*stockSetConditionsImage)(id, SEL, id) = nullptr;
void (*stockSetLocationName)(id, SEL, id) = nullptr;
void (*stockSetConditionsLine)(id, SEL, id) = nullptr;

unsigned long format(id, SEL) { return kLayoutFormat; }

void setFormat(id self, SEL cmd, unsigned long) { stockSetFormat(self, cmd, kLayoutFormat); }

void setTemperature(id self, SEL cmd, id temperature) {
    captured().temp = temperature;
    stockSetTemperature(self, cmd, temperature);
}

void setConditionsImage(id self, SEL cmd, id image) {
    captured().img = image;
    stockSetConditionsImage(self, cmd, image);
}

void setLocationName(id self, SEL cmd, id location) {
    captured().loc = location;
    stockSetLocationName(self, cmd, location);
}

// Only the conditions line pushes the weather to the panel, with what has been
// captured so far.
void setConditionsLine(id self, SEL cmd, id conditions) {
    captured().cond = conditions;
    ns::postNotification(kWeatherShouldUpdateNow, self);
    stockSetConditionsLine(self, cmd, conditions);
}

}  // namespace

CapturedWeather& captured() {
    static CapturedWeather* values = new CapturedWeather{};
    return *values;
}

void startCapturedWeather() { captured().img = rt::allocInit("UIImage"); }

constinit const Hook kStyleFormat = Hook::of<&format, &stockFormat>("WATodayPadViewStyle", "format");
constinit const Hook kStyleSetFormat = Hook::of<&setFormat, &stockSetFormat>("WATodayPadViewStyle", "setFormat:");
constinit const Hook kSetTemperature =
    Hook::of<&setTemperature, &stockSetTemperature>("WATodayPadView", "setTemperature:");
constinit const Hook kSetConditionsImage =
    Hook::of<&setConditionsImage, &stockSetConditionsImage>("WATodayPadView", "setConditionsImage:");
constinit const Hook kSetLocationName =
    Hook::of<&setLocationName, &stockSetLocationName>("WATodayPadView", "setLocationName:");
constinit const Hook kSetConditionsLine =
    Hook::of<&setConditionsLine, &stockSetConditionsLine>("WATodayPadView", "setConditionsLine:");

}  // namespace orvelle
