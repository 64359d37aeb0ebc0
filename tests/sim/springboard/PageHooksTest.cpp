// The main page's hooks with another party's add-on (Nine) present and the
// colour switch: the built tweak in the host's classes, a process per case.
#include "TweakInHost.h"

#include <filesystem>

#include "LockScreen.h"
#include "OVClockViewController.h"
#include "Settings.h"
#include "Tweak/PageHooks.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;

struct Nine {
    bool installed = true;
    bool enabled = true;
};

// The add-on's library file and settings, and its background controller class
// (before the tweak loads, as the loader's file order has it).
void addNine(const Nine& nine) {
    if (nine.installed) {
        std::filesystem::create_directories(std::filesystem::path(orvelle::kNineLibrary).parent_path());
        FILE* library = std::fopen(orvelle::kNineLibrary, "w");
        ASSERT_TRUE(library) << orvelle::kNineLibrary;
        std::fclose(library);
    }
    id settings = NSDictionaryNew();
    rt::cast<NSDictionary>(settings)->setObject(NSNum(nine.enabled), "tweakEnabled");
    writeFile(orvelle::kNineSettingsFile, settings);
    rt::objc_registerClass("TCBackgroundViewController", rt::objc_getClass("UIViewController"));
}

struct Started {
    id page;
    id nine;  // Nine's background controller
};

// Starts the lock screen with Nine's controller made once the tweak is in.
Started startWithNine(const Nine& nine, bool moveTop) {
    startHost({.settings = {{"moveTop", NSNum(moveTop)}}, .beforeLoad = [nine] { addNine(nine); }});
    id background = rt::allocInit("TCBackgroundViewController");
    springboard::startLockScreen();
    ui::layoutPass();
    return {springboard::lockScreen().page, background};
}

bool inPage(const id& page, const id& view) { return view && ui::superview(view) == ui::view(page); }

double listTop() {
    auto frame = springboard::notificationListFrame();
    return frame ? frame->origin.y : -1;
}

TEST(PageHooks, NineSwitchedOffIsDetectedAndLoggedButNotHostedAndThePanelIsBuilt) {
    inChild([] {
        startHost({.settings = {{"moveTop", NSNum(true)}}, .beforeLoad = [] { addNine({.enabled = false}); }});
        id background = rt::allocInit("TCBackgroundViewController");
        id page = rt::allocInit("SBDashBoardMainPageContentViewController");
        id earlier = rt::allocInit("UIViewController");
        orvelle::setFuck(page, earlier);
        ASSERT_TRUE(ui::view(page));
        EXPECT_TRUE(logged("OVS: Detected Nine Installed."));
        EXPECT_EQ(orvelle::fuck(page), earlier) << "the page's Nine was replaced";
        EXPECT_FALSE(inPage(page, ui::view(background)));
        // The panel is built and on the page all the same.
        EXPECT_TRUE(inPage(page, orvelle::dateView(panel())));
        EXPECT_EQ(ui::subviews(orvelle::dateView(panel())).size(), 2u);
        EXPECT_EQ(panelLabels().size(), 5u);
    });
}

TEST(PageHooks, NineActiveWithMoveTopIsHostedAndTheListStartsUnderTheStatusBar) {
    inChild([] {
        Started s = startWithNine({}, true);
        EXPECT_TRUE(logged("OVS: Detected Nine Installed."));
        EXPECT_TRUE(logged("OVS: Nine."));
        EXPECT_EQ(orvelle::fuck(s.page), s.nine);
        EXPECT_TRUE(inPage(s.page, ui::view(s.nine)));
        EXPECT_EQ(listTop(), 20);
    });
}

TEST(PageHooks, MoveTopOffLeavesTheListUnderThePanelAndSaysNothingOfNine) {
    inChild([] {
        Started s = startWithNine({}, false);
        for (const std::string& line : logLines()) EXPECT_EQ(line.find("Nine"), std::string::npos) << line;
        EXPECT_FALSE(orvelle::fuck(s.page));
        EXPECT_FALSE(inPage(s.page, ui::view(s.nine)));
        double suggested = orvelle::suggestedNotificationViewFrame(panel());
        EXPECT_GT(suggested, 20);
        EXPECT_EQ(listTop(), suggested);
    });
}

// How often the panel was recoloured.
int recolourings = 0;
void (*stockAdjustColor)(id, SEL, id) = nullptr;
void countedAdjustColor(id self, SEL cmd, id colour) {
    ++recolourings;
    stockAdjustColor(self, cmd, colour);
}

int recolouringsOfThePagesLife(bool disAutoBW) {
    startHost({.settings = {{"disAutoBW", NSNum(disAutoBW)}}});
    MSHookMessageEx(rt::objc_getClass("OVClockViewController"), rt::sel_registerName("adjustColor:"),
                    &countedAdjustColor, &stockAdjustColor);
    springboard::startLockScreen();  // loads the page's view
    ui::layoutPass();
    id page = springboard::lockScreen().page;
    rt::send<void(bool)>(page, "viewWillAppear:", true);
    rt::send<void()>(page, "viewDidLoad");
    rt::send<void()>(page, "viewDidLayoutSubviews");
    rt::send<void()>(springboard::lockScreen().dateController, "_updateView");
    return recolourings;
}

TEST(PageHooks, DisAutoBWStopsEveryRecolouringOfThePanel) {
    inChild([] { EXPECT_EQ(recolouringsOfThePagesLife(true), 0); });
    // Without it the same life recolours the panel.
    inChild([] { EXPECT_GE(recolouringsOfThePagesLife(false), 4); });
}

}  // namespace
