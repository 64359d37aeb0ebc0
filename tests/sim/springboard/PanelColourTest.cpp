// The panel's text in the colour of the lock screen's legibility settings:
// the real host classes with the built tweak loaded into them, in-process.
// Each case starts the host in a child process of its own (the tweak loads and
// the legibility colour is judged once per process), inside a fresh device
// whose wallpaper and settings files it writes.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "HostClass.h"
#include "Legibility.h"
#include "LockScreen.h"
#include "Settings.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

#define CHECK(condition, ...)                                                 \
    do {                                                                      \
        if (!(condition)) {                                                   \
            std::fprintf(stderr, "failed at line %d: %s: ", __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                \
            std::fprintf(stderr, "\n");                                       \
            std::exit(1);                                                     \
        }                                                                     \
    } while (false)

void writeFile(const char* file, const id& dictionary) {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    CHECK(ns::writeToFile(dictionary, file), "cannot write %s", file);
}

// Writes the wallpaper and the tweak's settings, sets the device up, registers
// the host classes and loads the built tweak, as SpringBoard does.
void startHost(const char* wallpaper, int clockStyle) {
    id home = NSDictionaryNew();
    rt::cast<NSDictionary>(home)->setObject(NSStr(wallpaper), "wallpaper");
    writeFile(springboard::kHomeScreenSettingsFile, home);
    id settings = NSDictionaryNew();
    rt::cast<NSDictionary>(settings)->setObject(NSNum(true), "enableOVS");
    rt::cast<NSDictionary>(settings)->setObject(NSNum(clockStyle), "clockStyle");
    writeFile(orvelle::kSettingsFile, settings);

    ui::DeviceProfile device;
    device.systemVersion = "11.1.2";
    device.screenWidth = 375;
    device.screenHeight = 667;
    ui::configureDevice(device);
    ns::useVirtualClock(1796677502);
    springboard::registerAllHostClasses(11);
    CHECK(dlopen(ORVELLE_TWEAK_PATH, RTLD_NOW | RTLD_GLOBAL), "cannot load the tweak: %s", dlerror());
}

// Every label the panel shows, in its clock and weather blocks.
std::vector<id> panelLabels() {
    id panel = rt::sendClass<id()>(rt::objc_getClass("OVClockViewController"), "sharedInstance");
    std::vector<id> labels;
    for (const char* block : {"clockView", "weatherView"})
        for (const id& view : ui::subviews(rt::send<id()>(panel, block)))
            if (rt::isKindOfClass(view, "UILabel")) labels.push_back(view);
    return labels;
}

std::string describe(const id& colour) {
    auto c = rt::cast<UIColor>(colour);
    if (!c) return "nothing";
    char text[80];
    std::snprintf(text, sizeof text, "(%g %g %g %g)", c->red, c->green, c->blue, c->alpha);
    return text;
}

// Each shown label has `colour`; `expectedLabels` of them are shown.
void expectPanelColour(const id& colour, std::size_t expectedLabels) {
    std::vector<id> labels = panelLabels();
    CHECK(labels.size() == expectedLabels, "%zu labels shown", labels.size());
    for (const id& label : labels)
        CHECK(ui::colorsEqual(ui::textColor(label), colour), "label \"%s\" is %s, not %s", str(ui::text(label)).c_str(),
              describe(ui::textColor(label)).c_str(), describe(colour).c_str());
}

id legibilityColour(const id& controller) {
    return rt::send<id()>(rt::send<id()>(controller, "legibilitySettings"), "primaryColor");
}

// Stacked shows the temperature alone, the row style the location and conditions.
std::size_t shownLabels(int clockStyle) { return clockStyle == 2 ? 6 : 5; }

void followsTheStockController(const char* wallpaper, bool light, int clockStyle) {
    startHost(wallpaper, clockStyle);
    springboard::startLockScreen();
    ui::layoutPass();
    id controller = springboard::lockScreen().dateController;
    id colour = legibilityColour(controller);
    CHECK(ui::colorsEqual(colour, light ? ui::blackColor() : ui::whiteColor()), "the host's legibility colour is %s",
          describe(colour).c_str());
    expectPanelColour(colour, shownLabels(clockStyle));

    // The host's next refresh of its date view carries a new colour to the panel.
    rt::send<void(id)>(rt::send<id()>(controller, "legibilitySettings"), "setPrimaryColor:", ui::redColor());
    rt::send<void()>(controller, "_updateView");
    expectPanelColour(ui::redColor(), shownLabels(clockStyle));
    // The page's own layout takes it from the kept controller too.
    rt::send<void(id)>(rt::send<id()>(controller, "legibilitySettings"), "setPrimaryColor:", ui::blueColor());
    rt::send<void()>(springboard::lockScreen().page, "viewDidLayoutSubviews");
    expectPanelColour(ui::blueColor(), shownLabels(clockStyle));
    std::exit(0);
}

TEST(PanelColour, TakesTheStockControllersLegibilityColourOnLightAndDarkWallpapers) {
    for (int style : {1, 2}) {
        EXPECT_EXIT(followsTheStockController("light", true, style), ::testing::ExitedWithCode(0), "")
            << "light wallpaper, style " << style;
        EXPECT_EXIT(followsTheStockController("dark", false, style), ::testing::ExitedWithCode(0), "")
            << "dark wallpaper, style " << style;
    }
}

// No stock date-view controller was ever made: the page's loading, appearing
// and layout leave the panel in the white its style gives it, on a wallpaper
// whose legibility colour would be black.
void keepsItsOwnColour() {
    startHost("light", 2);
    id page = rt::allocInit("SBDashBoardMainPageContentViewController");
    id view = ui::view(page);
    CHECK(view, "the page has no view");
    rt::send<void(bool)>(page, "viewWillAppear:", false);
    rt::send<void()>(page, "viewDidLayoutSubviews");
    expectPanelColour(ui::whiteColor(), shownLabels(2));
    std::exit(0);
}

TEST(PanelColour, WithoutAStockControllerThePanelKeepsItsOwnWhite) {
    EXPECT_EXIT(keepsItsOwnColour(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
