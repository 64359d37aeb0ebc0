// The lock screen's states with the built tweak in the host: locked and
// unlocked by a fingerprint's match (the call to action, the padlock, the
// previews), the status bar's overrides, as each model and version shows them.
#include <gtest/gtest.h>

#include "InChild.h"
#include "LockScreen.h"
#include "LockScreenScene.h"
#include "Screen.h"
#include "StatusBarState.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;
using test_support::inChild;
using springboard::LockState;
using Centre = render::StatusBarContent::Centre;

void start(const Scene& scene) {
    ns::Result<> started = startScene(scene, ORVELLE_TWEAK_PATH);
    ASSERT_TRUE(started) << started.reason();
}

Scene on(const char* version, double width, double height, bool panel = false) {
    Scene s;
    s.host.version = version;
    s.host.width = width;
    s.host.height = height;
    s.panel = panel;
    return s;
}

std::string callToAction() { return str(ui::text(ui::subviews(springboard::lockScreen().callToAction).at(0))); }

// The texts of the list's platters, in order: the labels each shows.
std::vector<std::string> platterTexts(const char* part) {
    std::vector<std::string> texts;
    id list = ui::viewIfLoaded(rt::send<id()>(springboard::lockScreen().page, "combinedListViewController"));
    for (const id& platter : ui::subviews(list)) {
        if (!rt::isKindOfClass(platter, "NCNotificationShortLookView")) continue;
        for (const id& v : ui::subviews(platter))
            if (rt::isKindOfClass(v, "UILabel") && std::string(part) == (ui::numberOfLines(v) > 1 ? "body" : "title"))
                texts.push_back(ui::isHidden(v) ? "<hidden>" : str(ui::text(v)));
    }
    return texts;
}

TEST(LockStates, TheCallToActionSaysWhatEachModelSaysAndTheTweaksTextStillWins) {
    struct Case {
        double width, height;
        const char* locked;
        const char* unlocked;
    };
    for (Case c : {Case{375, 667, "Press home to unlock", "Press home to open"},
                   Case{375, 812, "Swipe up to unlock", "Swipe up to open"}}) {
        inChild([c] {
            start(on("11.1.2", c.width, c.height, true));
            EXPECT_EQ(callToAction(), c.locked);
            springboard::setLockState(LockState::Unlocked);
            EXPECT_EQ(callToAction(), c.unlocked);
            springboard::setLockState(LockState::Locked);
            EXPECT_EQ(callToAction(), c.locked);
        });
    }
    // The user's own text stays through every change of state.
    inChild([] {
        Scene s = on("10.3.3", 320, 568, true);
        s.host.settings = {{"cusText", NSNum(true)}, {"setCusText", NSStr("Hello")}};
        start(s);
        EXPECT_EQ(callToAction(), "Hello");
        springboard::setLockState(LockState::Unlocked);
        EXPECT_EQ(callToAction(), "Hello");
    });
}

TEST(LockStates, ThePadlockGoesOnTenOpensOnElevenAndStandsUnderTheHousingWithoutAHomeButton) {
    for (const char* version : {"10.3.3", "11.1.2"}) {
        inChild([version] {
            start(on(version, 375, 667));
            EXPECT_EQ(springboard::statusBarContent().centre, Centre::Padlock);
            EXPECT_FALSE(springboard::lockScreen().proudLock);
            springboard::setLockState(LockState::Unlocked);
            EXPECT_EQ(springboard::statusBarContent().centre, version[1] == '0' ? Centre::Nothing : Centre::OpenPadlock);
            EXPECT_EQ(springboard::statusBarContent().signalDots, version[1] == '0');
        });
    }
    inChild([] {
        start(on("11.1.2", 375, 812));
        render::StatusBarContent bar = springboard::statusBarContent();
        EXPECT_EQ(bar.centre, Centre::Nothing);
        EXPECT_EQ(bar.housingWidth, 209);
        EXPECT_FALSE(bar.batteryPercent);
        id lock = springboard::lockScreen().proudLock;
        ASSERT_TRUE(lock);
        CGRect frame = ui::frame(lock);
        EXPECT_GE(CGRectGetMinY(frame), 44) << "under the status bar";
        EXPECT_EQ(CGRectGetMidX(frame), 375.0 / 2) << "under the housing's middle";
        // A pixel of the padlock changes when it opens.
        render::Frame locked = springboard::renderScreenNow(1);
        springboard::setLockState(LockState::Unlocked);
        render::Frame open = springboard::renderScreenNow(1);
        int changed = 0;
        for (int y = static_cast<int>(CGRectGetMinY(frame)); y < CGRectGetMaxY(frame); ++y)
            for (int x = static_cast<int>(CGRectGetMinX(frame)); x < CGRectGetMaxX(frame); ++x)
                changed += locked.pixel(x, y) == open.pixel(x, y) ? 0 : 1;
        EXPECT_GT(changed, 10);
    });
}

TEST(LockStates, WithoutAHomeButtonPreviewsShowOnlyOnceUnlocked) {
    inChild([] {
        start(on("11.1.2", 375, 812));
        EXPECT_EQ(platterTexts("title"), (std::vector<std::string>{"<hidden>", "<hidden>", "<hidden>"}));
        EXPECT_EQ(platterTexts("body"), (std::vector<std::string>{"Notification", "Notification", "Notification"}));
        springboard::setLockState(LockState::Unlocked);
        EXPECT_EQ(platterTexts("title"), (std::vector<std::string>{"Anna", "Team lunch", "Parcel service"}));
    });
    inChild([] {
        start(on("11.1.2", 375, 667));
        EXPECT_EQ(platterTexts("title"), (std::vector<std::string>{"Anna", "Team lunch", "Parcel service"}));
    });
}

TEST(StatusBarOverrides, AreCheckedWholeMergedClearedAndDrawn) {
    inChild([] {
        start(on("11.1.2", 375, 667));
        const std::pair<springboard::StatusBarOverrides, const char*> refused[] = {
            {{.signal = 5}, "the signal 5 is not one of 0 to 4"},
            {{.signal = -1}, "the signal -1 is not one of 0 to 4"},
            {{.battery = 101}, "the battery level 101 is not one of 0 to 100"},
            {{.carrier = std::string(41, 'x')}, "the carrier name is 41 bytes long, more than 40"},
            {{.carrier = std::string("bad\xC3")}, "the carrier name is not UTF-8 text"},
            {{.carrier = std::string("two\nlines")}, "the carrier name holds a control character"},
        };
        for (const auto& [overrides, why] : refused) {
            // A refused change changes nothing, not even its valid parts.
            springboard::StatusBarOverrides withValid = overrides;
            withValid.charging = true;
            ns::Result<> result = springboard::setStatusBarOverrides(withValid);
            EXPECT_EQ(result.reason(), why);
            EXPECT_FALSE(springboard::statusBarContent().charging);
        }
        render::Frame before = springboard::renderScreenNow(1);
        ASSERT_TRUE(springboard::setStatusBarOverrides({.carrier = std::string("Fjord Mobil")}));
        ASSERT_TRUE(springboard::setStatusBarOverrides({.signal = 1, .battery = 15, .charging = true}));
        render::StatusBarContent bar = springboard::statusBarContent();
        EXPECT_EQ(bar.carrier, "Fjord Mobil");  // kept from the first change
        EXPECT_EQ(bar.signal, 1);
        EXPECT_DOUBLE_EQ(bar.batteryLevel, 0.15);
        EXPECT_TRUE(bar.charging);
        // Drawn: the left of the bar changed, and the battery fills green.
        render::Frame after = springboard::renderScreenNow(1);
        int changedLeft = 0, green = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 150; ++x) changedLeft += before.pixel(x, y) == after.pixel(x, y) ? 0 : 1;
            for (int x = 300; x < 375; ++x) {
                render::Pixel p = after.pixel(x, y);
                green += p.g > 150 && p.r < 120 && p.b < 140 ? 1 : 0;
            }
        }
        EXPECT_GT(changedLeft, 50);
        EXPECT_GT(green, 3);
        springboard::clearStatusBarOverrides();
        EXPECT_EQ(springboard::statusBarContent().carrier, "Orvelle");
        EXPECT_EQ(springboard::statusBarContent().signal, 4);
        EXPECT_DOUBLE_EQ(springboard::statusBarContent().batteryLevel, 1.0);
    });
}

}  // namespace
