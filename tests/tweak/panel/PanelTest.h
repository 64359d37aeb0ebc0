// What the panel's tests share: a device of a chosen screen width, a virtual
// clock, settings files written as the pane writes them (atomic rename), and a
// window holding the panel for synthetic touches.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

#include "DateFormatters.h"
#include "OVClockDragView.h"
#include "OVClockViewController.h"
#include "Settings.h"
#include "foundation/DateFormatter.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "tests/GeometryPrint.h"
#include "uikit/UIKit.h"
#include "updateLabel.h"

namespace panel_test {

// Monday 7 December 2026, 21:05:09.5 and 09:05:09.5 UTC.
inline constexpr double kEvening = 1796677509.5;
inline constexpr double kMorning = 1796634309.5;

struct Setting {
    std::string key;
    id value;
};

// Replaces the main settings file whole, by rename, as the pane does.
inline void writeSettings(std::initializer_list<Setting> settings, const char* path = orvelle::kSettingsFile) {
    id dictionary = NSDictionaryNew();
    for (const auto& s : settings) rt::cast<NSDictionary>(dictionary)->setObject(s.value, s.key);
    ASSERT_TRUE(ns::writeToFile(dictionary, path, true)) << path;
}

inline std::string readFile(const char* path) {
    std::string out;
    if (FILE* f = std::fopen(path, "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

inline std::shared_ptr<OVClockViewController> fields(const id& panel) { return rt::cast<OVClockViewController>(panel); }

// The alpha the first colon of a label shows with: its run's own colour, or the
// label's text colour where the run has none.
inline double colonAlpha(const id& label) {
    for (const auto& run : ui::effectiveRuns(label)) {
        if (run.text.find(':') == std::string::npos) continue;
        id colour = run.color ? run.color : ui::textColor(label);
        return rt::cast<UIColor>(colour)->alpha;
    }
    ADD_FAILURE() << "no colon in \"" << str(ui::text(label)) << "\"";
    return -1;
}

inline bool sameColour(const id& a, const id& b) { return ui::colorsEqual(a, b); }

class PanelTest : public ::testing::Test {
protected:
    ns::ProcessScope fresh;
    void SetUp() override {
        std::filesystem::create_directories(orvelle::kPreferencesFolder);
        for (const char* path : {orvelle::kSettingsFile, orvelle::kClockPositionFile, orvelle::kWeatherPositionFile})
            std::filesystem::remove(path);
        ns::useVirtualClock(kEvening);
        ns::setDefaultLocale("en_US");
        ns::setDefaultTimeZone("UTC");
        useScreen(375, 667);
        orvelle::registerClockViewController();
        // The host's pass-through view, as the home-screen process offers it.
        if (!rt::objc_getClass("SBFTouchPassThroughView"))
            rt::objc_registerClass("SBFTouchPassThroughView", rt::objc_getClass("UIView"));
    }

    static void useScreen(double width, double height) {
        ui::DeviceProfile profile;
        profile.screenWidth = width;
        profile.screenHeight = height;
        ui::configureDevice(profile);
    }

    // A controller of its own (the shared one outlives every test).
    static id build() {
        id panel = rt::allocInit("OVClockViewController");
        rt::send<void()>(panel, "setClockAccordingToStyle");
        return panel;
    }
    static id clockView(const id& panel) { return rt::send<id()>(panel, "clockView"); }
    static id weatherView(const id& panel) { return rt::send<id()>(panel, "weatherView"); }

    // The panel's host view in a visible window of the screen's size.
    id showInWindow(const id& panel) {
        CGRect screen = ui::screenBounds();
        window = ui::makeWindow(screen);
        ui::makeKeyAndVisible(window);
        ui::addSubview(window, rt::send<id()>(panel, "dateView"));
        return window;
    }

    id window;
};

}  // namespace panel_test
