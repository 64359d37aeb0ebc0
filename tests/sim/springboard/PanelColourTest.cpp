// The panel's text in the colour of the lock screen's legibility settings, and
// the colour the user chose kept while "disAutoBW" is on: the real host
// classes with the built tweak loaded into them, in-process.
#include "TweakInHost.h"

#include "LockScreen.h"
#include "foundation/RunLoop.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;

// Each shown label has `colour`; `expectedLabels` of them are shown.
void expectPanelColour(const id& colour, std::size_t expectedLabels, const char* when) {
    std::vector<id> labels = panelLabels();
    EXPECT_EQ(labels.size(), expectedLabels) << when;
    for (const id& label : labels)
        EXPECT_TRUE(ui::colorsEqual(ui::textColor(label), colour))
            << when << ": label \"" << str(ui::text(label)) << "\" is " << describeColour(ui::textColor(label))
            << ", not " << describeColour(colour);
}

id legibilitySettings(const id& controller) { return rt::send<id()>(controller, "legibilitySettings"); }
id legibilityColour(const id& controller) { return rt::send<id()>(legibilitySettings(controller), "primaryColor"); }
void setLegibilityColour(const id& controller, const id& colour) {
    rt::send<void(id)>(legibilitySettings(controller), "setPrimaryColor:", colour);
}

// Stacked shows the temperature alone, the row style the location and conditions.
std::size_t shownLabels(int clockStyle) { return clockStyle == 2 ? 6 : 5; }

void followsTheStockController(const char* wallpaper, bool light, int clockStyle) {
    startHost({.wallpaper = wallpaper, .settings = {{"clockStyle", NSNum(clockStyle)}}});
    springboard::startLockScreen();
    ui::layoutPass();
    id controller = springboard::lockScreen().dateController;
    id colour = legibilityColour(controller);
    ASSERT_TRUE(ui::colorsEqual(colour, light ? ui::blackColor() : ui::whiteColor()))
        << "the host's legibility colour is " << describeColour(colour);
    expectPanelColour(colour, shownLabels(clockStyle), "after the start");

    // The host's next refresh of its date view carries a new colour to the panel.
    setLegibilityColour(controller, ui::redColor());
    rt::send<void()>(controller, "_updateView");
    expectPanelColour(ui::redColor(), shownLabels(clockStyle), "after the date view's refresh");
    // The page's own layout takes it from the kept controller too.
    setLegibilityColour(controller, ui::blueColor());
    rt::send<void()>(springboard::lockScreen().page, "viewDidLayoutSubviews");
    expectPanelColour(ui::blueColor(), shownLabels(clockStyle), "after the page's layout");
}

TEST(PanelColour, TakesTheStockControllersLegibilityColourOnLightAndDarkWallpapers) {
    for (int style : {1, 2}) {
        inChild([style] { followsTheStockController("light", true, style); });
        inChild([style] { followsTheStockController("dark", false, style); });
    }
}

// No stock date-view controller was ever made: the page's loading, appearing
// and layout leave the panel in the white its style gives it, on a wallpaper
// whose legibility colour would be black.
TEST(PanelColour, WithoutAStockControllerThePanelKeepsItsOwnWhite) {
    inChild([] {
        startHost({.wallpaper = "light", .settings = {{"clockStyle", NSNum(2)}}});
        id page = rt::allocInit("SBDashBoardMainPageContentViewController");
        ASSERT_TRUE(ui::view(page)) << "the page has no view";
        rt::send<void(bool)>(page, "viewWillAppear:", false);
        rt::send<void()>(page, "viewDidLayoutSubviews");
        expectPanelColour(ui::whiteColor(), shownLabels(2), "after the page's appearing and layout");
    });
}

// "disAutoBW" keeps the colour "useBlack" chose against the wallpaper's
// legibility colour: through the start, the minutes of the stock date view,
// a new legibility colour, and the page's appearing and layout.
void keepsTheChosenColour(bool useBlack, int clockStyle) {
    startHost({.wallpaper = useBlack ? "dark" : "light",
               .settings = {{"useBlack", NSNum(useBlack)}, {"disAutoBW", NSNum(true)}, {"clockStyle", NSNum(clockStyle)}}});
    id chosen = useBlack ? ui::blackColor() : ui::whiteColor();
    springboard::startLockScreen();
    ui::layoutPass();
    id controller = springboard::lockScreen().dateController;
    ASSERT_FALSE(ui::colorsEqual(legibilityColour(controller), chosen)) << "the wallpaper should ask for the other colour";
    expectPanelColour(chosen, shownLabels(clockStyle), "after the start");

    ns::RunLoop::main().advance(65);
    ui::layoutPass();
    expectPanelColour(chosen, shownLabels(clockStyle), "after a minute");

    setLegibilityColour(controller, ui::redColor());
    rt::send<void()>(controller, "_updateView");
    id page = springboard::lockScreen().page;
    rt::send<void(bool)>(page, "viewWillAppear:", false);
    rt::send<void()>(page, "viewDidLayoutSubviews");
    expectPanelColour(chosen, shownLabels(clockStyle), "after a new legibility colour");
}

TEST(PanelColour, DisAutoBWKeepsTheChosenColourThroughEveryRefresh) {
    for (int style : {1, 2}) {
        inChild([style] { keepsTheChosenColour(true, style); });
        inChild([style] { keepsTheChosenColour(false, style); });
    }
}

// With "disAutoBW" off the lock screen's colour wins over "useBlack", as before.
TEST(PanelColour, WithDisAutoBWOffTheLegibilityColourWinsOverUseBlack) {
    inChild([] {
        startHost({.wallpaper = "dark", .settings = {{"useBlack", NSNum(true)}, {"disAutoBW", NSNum(false)}}});
        springboard::startLockScreen();
        ui::layoutPass();
        expectPanelColour(ui::whiteColor(), shownLabels(1), "after the start");
    });
}

}  // namespace
