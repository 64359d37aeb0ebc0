// What the lock screen holds besides the date: the notification platters, the
// media controls of each version and the panel's status, with the built tweak
// in the host.
#include <gtest/gtest.h>

#include "InChild.h"
#include "LockScreen.h"
#include "LockScreenScene.h"
#include "MediaControls.h"
#include "PanelStatus.h"
#include "Screen.h"
#include "foundation/RunLoop.h"
#include "renderer/Material.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;
using test_support::inChild;

void start(const Scene& scene) {
    ns::Result<> started = startScene(scene, ORVELLE_TWEAK_PATH);
    ASSERT_TRUE(started) << started.reason();
}

Scene on(const char* version, bool panel = false, const char* model = "iPhone") {
    Scene s;
    s.host.version = version;
    s.host.model = model;
    if (std::string(model) == "iPad") {
        s.host.width = 768;
        s.host.height = 1024;
    }
    s.panel = panel;
    return s;
}

id listView() { return ui::viewIfLoaded(rt::send<id()>(springboard::lockScreen().page, "combinedListViewController")); }

std::vector<std::string> listed() {
    std::vector<std::string> items;
    for (const id& v : ui::subviews(listView())) {
        if (rt::isKindOfClass(v, "MediaControlsPanelView")) items.push_back("media");
        for (const id& part : ui::subviews(v)) {
            if (rt::isKindOfClass(v, "NCNotificationListSectionHeaderView")) items.push_back(str(ui::text(part)));
            if (!rt::isKindOfClass(v, "NCNotificationShortLookView") || rt::isKindOfClass(part, "UILabel")) continue;
            // The header: icon, app name and time.
            auto header = ui::subviews(part);
            items.push_back(str(ui::text(header.at(1))) + " " + str(ui::text(header.at(2))));
        }
    }
    return items;
}

TEST(Platters, TimesFollowTheDevicesClockAndElevenPutsTheOlderOnesUnderAHeading) {
    inChild([] {
        start(on("10.3.3"));
        EXPECT_EQ(listed(), (std::vector<std::string>{"MESSAGES 1m ago", "CALENDAR 24m ago", "MAIL 3h ago"}));
        // A minute later the lock screen's minute has moved every time on.
        ns::RunLoop::main().advance(60);
        EXPECT_EQ(listed(), (std::vector<std::string>{"MESSAGES 2m ago", "CALENDAR 25m ago", "MAIL 3h ago"}));
    });
    inChild([] {
        start(on("11.1.2"));
        EXPECT_EQ(listed(),
                  (std::vector<std::string>{"MESSAGES 1m ago", "CALENDAR 24m ago", "Earlier Today", "MAIL 3h ago"}));
        // Platters 8 points apart, each 8 from the screen's sides.
        std::vector<CGRect> frames;
        for (const id& v : ui::subviews(listView()))
            if (rt::isKindOfClass(v, "NCNotificationShortLookView")) frames.push_back(ui::frame(v));
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(CGRectGetMinY(frames[1]) - CGRectGetMaxY(frames[0]), 8);
        EXPECT_EQ(frames[0].origin.x, 8);
        EXPECT_EQ(frames[0].size.width, 375 - 16);
    });
}

TEST(Media, ElevensCardHeadsTheListWithTheArtworkWhichComesAndGoesAsTheHooksExpect) {
    inChild([] {
        start(on("11.1.2", true));
        id panelClock = rt::send<id()>(rt::sendClass<id()>(rt::objc_getClass("OVClockViewController"), "sharedInstance"),
                                       "clockView");
        CGRect firstBefore = ui::frame(ui::subviews(listView()).at(0));
        springboard::setMediaPlaying(true);
        ui::layoutPass();
        id artwork = springboard::lockScreen().artwork;
        ASSERT_TRUE(artwork);
        id card = ui::superview(artwork);
        ASSERT_TRUE(card && rt::isKindOfClass(card, "MediaControlsPanelView"));
        EXPECT_EQ(ui::superview(card), listView());
        EXPECT_EQ(ui::subviews(listView()).at(0), card);
        EXPECT_TRUE(ui::window(artwork));
        // The artwork's arrival hid the panel (the tweak's hook saw it).
        EXPECT_EQ(ui::alpha(panelClock), 0);
        // The platters make room under the card.
        id firstPlatter = ui::subviews(listView()).at(1);
        EXPECT_EQ(CGRectGetMinY(ui::frame(firstPlatter)), CGRectGetMaxY(ui::frame(card)) + 8);
        EXPECT_GT(CGRectGetMinY(ui::frame(firstPlatter)), CGRectGetMinY(firstBefore));
        // The scrubber's times run with the device's clock.
        double elapsed = springboard::mediaElapsed();
        ns::RunLoop::main().advance(5);
        EXPECT_DOUBLE_EQ(springboard::mediaElapsed(), elapsed + 5);

        springboard::setMediaPlaying(false);
        EXPECT_FALSE(ui::window(artwork));
        EXPECT_FALSE(ui::superview(card));
        EXPECT_EQ(ui::alpha(panelClock), 1);  // its removal showed the panel again
        ui::layoutPass();
        EXPECT_EQ(ui::frame(ui::subviews(listView()).at(0)), firstBefore);
    });
}

TEST(Material, IsBlurredOncePerWallpaperAndPlaceNotForEveryFrame) {
    inChild([] {
        start(on("11.1.2"));
        springboard::renderScreenNow(1);
        const std::size_t first = render::materialBlursMade();
        EXPECT_GE(first, 3u);  // one a platter at least
        springboard::renderScreenNow(1);
        ns::RunLoop::main().advance(1);
        springboard::renderScreenNow(1);
        EXPECT_EQ(render::materialBlursMade(), first) << "frames of an unchanged screen blurred again";
        // A new layout (the list moved under the media card) blurs the moved platters anew.
        springboard::setMediaPlaying(true);
        ui::layoutPass();
        springboard::renderScreenNow(1);
        EXPECT_GT(render::materialBlursMade(), first);
    });
}

TEST(PanelStatus, SaysWhetherThePanelShowsAndWhyNot) {
    const substrate::LoadOutcome loaded{springboard::kPanelLibrary, true, "filter matched"};
    inChild([loaded] {
        start(on("11.1.2", true));
        EXPECT_EQ(springboard::judgePanel({loaded}, false).reason, "shown");
        EXPECT_TRUE(springboard::judgePanel({loaded}, false).shown);
        EXPECT_EQ(springboard::judgePanel({loaded}, true).reason, "the home screen runs in safe mode, without tweaks");
        EXPECT_EQ(springboard::judgePanel({}, false).reason, "the tweak is not installed");
        EXPECT_EQ(springboard::judgePanel({{springboard::kPanelLibrary, false, "corrupt filter plist"}}, false).reason,
                  "the loader did not load the tweak: corrupt filter plist");
        // Recorded at the start, read later.
        springboard::recordPanelStatus({loaded}, false);
        EXPECT_TRUE(springboard::panelStatus().shown);
    });
    inChild([loaded] {
        start(on("11.1.2", false));
        springboard::recordPanelStatus({loaded}, false);
        EXPECT_FALSE(springboard::panelStatus().shown);
        EXPECT_EQ(springboard::panelStatus().reason, "the master switch is off");
    });
    inChild([loaded] {
        start(on("10.3.3", true, "iPad"));
        EXPECT_EQ(springboard::judgePanel({loaded}, false).reason, "the tweak does not run on an iPad");
    });
}

}  // namespace
