// The lock screen's smaller parts: the media artwork with the master switch
// turned off without a restart, the today view's policy on version 10, and the
// list's place on version 10 while music plays. The built tweak in the host's
// classes, a process per case.
#include "TweakInHost.h"

#include "LockScreen.h"
#include "OVClockViewController.h"
#include "substrate/Substrate.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;

// The page's answers to "HideClockNow" and "ShowClockNow".
std::vector<std::string> fades;
void (*stockHide)(id, SEL) = nullptr;
void (*stockShow)(id, SEL) = nullptr;
void countedHide(id self, SEL cmd) {
    fades.push_back("hide");
    stockHide(self, cmd);
}
void countedShow(id self, SEL cmd) {
    fades.push_back("show");
    stockShow(self, cmd);
}

void startWatchingFades() {
    springboard::startLockScreen();
    ui::layoutPass();
    rt::Class* page = rt::objc_getClass("SBDashBoardMainPageContentViewController");
    MSHookMessageEx(page, rt::sel_registerName("hide"), &countedHide, &stockHide);
    MSHookMessageEx(page, rt::sel_registerName("show"), &countedShow, &stockShow);
}

TEST(ChromeHooks, TheArtworkHidesThePanelOnlyWhileTheMasterSwitchIsOnButItsRemovalAlwaysShowsIt) {
    inChild([] {
        startHost({});
        startWatchingFades();
        springboard::setMediaPlaying(true);
        EXPECT_EQ(fades, std::vector<std::string>{"hide"});
        EXPECT_EQ(ui::alpha(orvelle::clockView(panel())), 0);
        // Leaving the window is a move too; the removal's show comes last.
        springboard::setMediaPlaying(false);
        EXPECT_EQ(fades, (std::vector<std::string>{"hide", "hide", "show"}));
        EXPECT_EQ(ui::alpha(orvelle::clockView(panel())), 1);

        // Switched off in the Settings app; the home screen was not restarted.
        writeSettings({{"enableOVS", NSNum(false)}});
        fades.clear();
        springboard::setMediaPlaying(true);
        EXPECT_EQ(ui::alpha(orvelle::clockView(panel())), 1);
        springboard::setMediaPlaying(false);
        EXPECT_EQ(fades, std::vector<std::string>{"show"});
    });
}

TEST(ChromeHooks, OnVersion10HideToyRefusesTheTodayViewThroughItsPolicy) {
    inChild([] {
        startHost({.version = "10.3.3", .settings = {{"hideToy", NSNum(true)}}});
        springboard::startLockScreen();
        EXPECT_FALSE(springboard::openTodayView());
        writeSettings({{"hideToy", NSNum(false)}});
        EXPECT_TRUE(springboard::openTodayView());
    });
}

TEST(ChromeHooks, OnVersion10WhileMusicPlaysTheHostPlacesTheListAndTheLineIsLogged) {
    inChild([] {
        startHost({.version = "10.3.3", .width = 320, .height = 568});
        springboard::startLockScreen();
        ui::layoutPass();
        double top = orvelle::suggestedNotificationViewFrame(panel());
        EXPECT_EQ(springboard::notificationListFrame(), CGRectMake(0, top, 320, 568 - top));
        EXPECT_FALSE(logged("OVS: Now Playing App Is Playing."));

        springboard::setMediaPlaying(true);
        ui::layoutPass();
        CGRect host = springboard::hostListFrame();
        EXPECT_NE(host.origin.y, top) << "the host's place should differ from the panel's";
        EXPECT_EQ(springboard::notificationListFrame(), host);
        EXPECT_TRUE(logged("OVS: Now Playing App Is Playing."));
    });
}

}  // namespace
