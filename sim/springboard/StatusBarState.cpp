#include "StatusBarState.h"

#include <charconv>

#include "LockScreenFigures.h"
#include "LockState.h"
#include "foundation/Conversions.h"
#include "uikit/UIDevice.h"

namespace springboard {

namespace {

StatusBarOverrides& overrides() {
    static StatusBarOverrides kept;
    return kept;
}

// The device's own: a carrier of the project's naming, full reception and a
// full battery, not charging.
constexpr const char* kCarrier = "Orvelle";
constexpr int kSignal = 4;
constexpr int kBattery = 100;

int major() {
    const std::string& v = ui::deviceProfile().systemVersion;
    int value = 0;
    std::from_chars(v.data(), v.data() + v.size(), value);
    return value;
}

}  // namespace

ns::Result<> setStatusBarOverrides(const StatusBarOverrides& given) {
    if (given.carrier) {
        if (given.carrier->size() > kMaxCarrierBytes)
            return ns::fail("the carrier name is " + std::to_string(given.carrier->size()) + " bytes long, more than " +
                            std::to_string(kMaxCarrierBytes));
        if (!ns::utf8Characters(*given.carrier)) return ns::fail("the carrier name is not UTF-8 text");
        for (char c : *given.carrier)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return ns::fail("the carrier name holds a control character");
    }
    if (given.signal && (*given.signal < 0 || *given.signal > 4))
        return ns::fail("the signal " + std::to_string(*given.signal) + " is not one of 0 to 4");
    if (given.battery && (*given.battery < 0 || *given.battery > 100))
        return ns::fail("the battery level " + std::to_string(*given.battery) + " is not one of 0 to 100");
    StatusBarOverrides& o = overrides();
    if (given.carrier) o.carrier = given.carrier;
    if (given.signal) o.signal = given.signal;
    if (given.battery) o.battery = given.battery;
    if (given.charging) o.charging = given.charging;
    return {};
}

void clearStatusBarOverrides() { overrides() = {}; }

StatusBarOverrides statusBarOverrides() { return overrides(); }

render::StatusBarContent statusBarContent() {
    const LockScreenFigures& f = figures();
    const StatusBarOverrides& o = overrides();
    render::StatusBarContent c;
    c.carrier = o.carrier.value_or(kCarrier);
    c.signal = o.signal.value_or(kSignal);
    c.batteryLevel = o.battery.value_or(kBattery) / 100.0;
    c.charging = o.charging.value_or(false);
    // Five dots of reception until 10, four bars from 11.
    c.signalDots = major() < 11;
    if (f.housingWidth > 0) {
        // The ears carry no percentage; the padlock stands under the housing.
        c.housingWidth = f.housingWidth;
        c.batteryPercent = false;
        c.centre = render::StatusBarContent::Centre::Nothing;
    } else if (lockState() == LockState::Locked) {
        c.centre = render::StatusBarContent::Centre::Padlock;
    } else {
        // A match without a press: 10 takes the padlock away; 11 shows it
        // open (an estimate: reported for 10 only).
        c.centre = major() < 11 ? render::StatusBarContent::Centre::Nothing
                                : render::StatusBarContent::Centre::OpenPadlock;
    }
    return c;
}

}  // namespace springboard
