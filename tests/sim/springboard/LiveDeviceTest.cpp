// End to end on one booted device (version 11, row style): weather pushed
// with `orvelle-sim weather`, media coming and going, the today page, and the
// clock block moved by touches and kept across a respring. Each case leaves
// the settings it changed as it found them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "Command.h"
#include "DumpReader.h"
#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LiveLockScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new TestDevice({"--version", "11.1.2", "--screen", "375x667"});
        for (auto [key, value, type] : {std::tuple{"enableOVS", "true", "bool"}, std::tuple{"clockStyle", "2", "int"}})
            ASSERT_EQ(sim({"settings", path(), "set", key, value, "--type", type}).exitCode, 0);
        markUpdateNoticeSeen(path());  // its alert would take the touches
        Output booted = sim({"boot", path()});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
    }
    static void TearDownTestSuite() {
        delete device;  // shuts the device down and removes it
        device = nullptr;
    }
    static const std::string& path() { return device->path(); }
    static Json live() { return dumpOf(path()); }
    static void set(const char* key, const char* value, const char* type = "bool") {
        ASSERT_EQ(sim({"settings", path(), "set", key, value, "--type", type}).exitCode, 0);
    }
    static std::string log() { return readFile(fs::path(path()) / "log/device.log"); }
    // The container without the weather's picture (a move brings a block to the front).
    static Found clockBlock(const Json& dump) {
        for (const Found& c : viewsOfClass(dump, "OVClockDragView")) {
            bool picture = false;
            for (const Json& sub : (*c.view)["subviews"]) picture |= sub["class"] == "UIImageView";
            if (!picture) return c;
        }
        return {nullptr, {}};
    }
    static inline TestDevice* device = nullptr;
};

std::string centre(const Rect& r, double dx = 0, double dy = 0, bool x = true) {
    return std::to_string(x ? r.x + r.w / 2 + dx : r.y + r.h / 2 + dy);
}

TEST_F(LiveLockScreen, WeatherArrivesAfterTheVerbAndTheRowStyleLocationDoesNotGrow) {
    Output out = sim({"weather", path(), "--temperature", "5°", "--location", "Oslo", "--conditions", "Light snow",
                      "--icon", "snow"});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_NE(out.out.find("1 refreshed"), std::string::npos) << out.out;
    EXPECT_TRUE(eventually(5000ms, [&] { return !labelsWithText(live(), "Oslo・5°").empty(); }));
    for (int push = 0; push < 3; ++push) ASSERT_EQ(sim({"weather", path()}).exitCode, 0);
    Json dump = live();
    EXPECT_EQ(labelsWithText(dump, "Oslo・5°").size(), 1u);
    auto grown = findViews(dump, [](const Json& v) {
        return v.contains("text") && v["text"].get<std::string>().find("・5°・") != std::string::npos;
    });
    EXPECT_TRUE(grown.empty());
    EXPECT_FALSE(labelsWithText(dump, "Light snow").empty());
    // The record is in the device, for the next start.
    auto record = rt::cast<NSDictionary>(
        ns::dictionaryWithContentsOfFile(path() + "/var/mobile/Library/Weather/current.plist"));
    ASSERT_TRUE(record);
    EXPECT_EQ(str(record->objectForKey("location")), "Oslo");
    EXPECT_NE(sim({"weather", path(), "--icon", "fog"}).exitCode, 0);
}

TEST_F(LiveLockScreen, AClearedTemperatureOrLocationLeavesItsPartOutLive) {
    auto noPlaceholder = [](const Json& dump) {
        return findViews(dump, [](const Json& v) {
                   if (!v.contains("text")) return false;
                   std::string text = v["text"].get<std::string>();
                   return text.find("NULL") != std::string::npos || text.find("(null)") != std::string::npos;
               }).empty();
    };
    ASSERT_EQ(sim({"weather", path(), "--location", "Quito", "--no-temperature"}).exitCode, 0);
    EXPECT_TRUE(eventually(5000ms, [&] { return !labelsWithText(live(), "Quito").empty(); }));
    EXPECT_TRUE(noPlaceholder(live()));
    ASSERT_EQ(sim({"weather", path(), "--temperature", "14°", "--no-location"}).exitCode, 0);
    EXPECT_TRUE(eventually(5000ms, [&] { return !labelsWithText(live(), "14°").empty(); }));
    EXPECT_TRUE(noPlaceholder(live()));
    ASSERT_EQ(sim({"weather", path(), "--temperature", "21°", "--location", "Paris"}).exitCode, 0);
}

TEST_F(LiveLockScreen, MediaFadesThePanelOutAndBackIn) {
    ASSERT_EQ(sim({"media", path(), "play"}).exitCode, 0);
    Json playing = live();
    ASSERT_NE(clockBlock(playing).view, nullptr);
    EXPECT_EQ((*clockBlock(playing).view)["alpha"], 0);
    EXPECT_EQ(viewsOfClass(playing, "OVClockDragView")[1].view->at("alpha"), 0);
    EXPECT_EQ(viewsOfClass(playing, "SBDashBoardMediaArtworkView").size(), 1u);
    EXPECT_TRUE(eventually(5000ms, [&] { return !linesWith(log(), "OVS: Now Playing App Is Playing.").empty(); }));

    ASSERT_EQ(sim({"media", path(), "stop"}).exitCode, 0);
    Json stopped = live();
    EXPECT_EQ((*clockBlock(stopped).view)["alpha"], 1);
    EXPECT_TRUE(viewsOfClass(stopped, "SBDashBoardMediaArtworkView").empty());
    EXPECT_NE(sim({"media", path(), "pause"}).exitCode, 0);
}

TEST_F(LiveLockScreen, ASwipeRightOpensTheTodayPageUnlessHideToyRefusesIt) {
    set("hideToy", "true");
    Output refused = sim({"touch", path(), "drag", "20", "600", "300", "600"});
    EXPECT_EQ(refused.exitCode, 0) << refused.err;
    EXPECT_NE(refused.out.find("today refused"), std::string::npos) << refused.out;
    EXPECT_TRUE(viewsOfClass(live(), "SBDashBoardTodayPageView").empty());

    set("hideToy", "false");
    Output opened = sim({"touch", path(), "drag", "20", "600", "300", "600"});
    EXPECT_NE(opened.out.find("today opened"), std::string::npos) << opened.out;
    EXPECT_EQ(viewsOfClass(live(), "SBDashBoardTodayPageView").size(), 1u);
    Output closed = sim({"touch", path(), "drag", "300", "600", "20", "600"});
    EXPECT_NE(closed.out.find("today closed"), std::string::npos) << closed.out;
    EXPECT_TRUE(viewsOfClass(live(), "SBDashBoardTodayPageView").empty());
}

TEST_F(LiveLockScreen, ALongPressADragAndALongPressStoreTheClockCornerUsedAgainAfterARespring) {
    fs::path positions = fs::path(path()) / "var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
    // Long press, drag by dy, long press again at the block's new centre.
    auto move = [&](double dy) {
        Rect before = clockBlock(live()).inWindow;
        std::string x = centre(before), y = centre(before, 0, 0, false), y2 = centre(before, 0, dy, false);
        EXPECT_EQ(sim({"touch", path(), "press", x, y, "--hold", "0.8"}).exitCode, 0);
        EXPECT_EQ(sim({"touch", path(), "drag", x, y, x, y2, "--steps", "8"}).exitCode, 0);
        Rect after = clockBlock(live()).inWindow;
        Output last = sim({"touch", path(), "press", centre(after), centre(after, 0, 0, false), "--hold", "0.8"});
        EXPECT_EQ(last.exitCode, 0);
        EXPECT_NE(last.out.find("pressed"), std::string::npos) << last.out;
    };

    // "lockLoc" freezes the block: nothing moves, nothing is written.
    set("lockLoc", "true");
    Rect start = rectOf((*clockBlock(live()).view)["frame"]);
    move(-30);
    EXPECT_EQ(rectOf((*clockBlock(live()).view)["frame"]).y, start.y);
    EXPECT_FALSE(fs::exists(positions));
    set("lockLoc", "false");

    move(-30);
    Json moved = live();
    Rect frame = rectOf((*clockBlock(moved).view)["frame"]);
    EXPECT_LT(frame.y, start.y - 10);
    EXPECT_EQ(frame.x, start.x);
    EXPECT_EQ((*clockBlock(moved).view)["alpha"], 1);  // out of move mode again
    ASSERT_TRUE(eventually(5000ms, [&] { return fs::exists(positions); }));
    auto stored = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(positions.string()));
    ASSERT_TRUE(stored);
    EXPECT_EQ(ns::floatValue(stored->objectForKey("clockY")), static_cast<float>(frame.y));
    EXPECT_EQ(ns::floatValue(stored->objectForKey("clockX")), static_cast<float>(frame.x));

    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
    Rect again;
    EXPECT_TRUE(eventually(10000ms, [&] {
        Json dump = live();
        if (!clockBlock(dump).view) return false;
        again = rectOf((*clockBlock(dump).view)["frame"]);
        return true;
    }));
    EXPECT_EQ(again.y, frame.y);
    EXPECT_EQ(again.x, frame.x);
    // The list followed the block down.
    Json after = live();
    auto blocks = viewsOfClass(after, "OVClockDragView");
    ASSERT_EQ(blocks.size(), 2u);
    double lower = std::max(rectOf((*blocks[0].view)["frame"]).maxY(), rectOf((*blocks[1].view)["frame"]).maxY());
    EXPECT_EQ(rectOf(after["notificationList"]["frame"]).y, lower + 10);
}

TEST_F(LiveLockScreen, ABlockDraggedFarOffIsStillReachedByALongPressWhereItShows) {
    fs::path positions = fs::path(path()) / "var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
    Rect before = clockBlock(live()).inWindow;
    std::string x = centre(before), y = centre(before, 0, 0, false);
    ASSERT_EQ(sim({"touch", path(), "press", x, y, "--hold", "0.8"}).exitCode, 0);
    ASSERT_EQ(sim({"touch", path(), "drag", x, y, centre(before, 300), centre(before, 0, 400, false), "--steps", "8"})
                  .exitCode,
              0);
    Json dragged = live();
    ASSERT_NE(clockBlock(dragged).view, nullptr);
    EXPECT_EQ((*clockBlock(dragged).view)["alpha"], 0.5);  // still in move mode
    Rect shown = clockBlock(dragged).inWindow;
    double cx = shown.x + shown.w / 2, cy = shown.y + shown.h / 2;
    EXPECT_TRUE(cx >= 0 && cx < 375 && cy >= 0 && cy < 667) << "centre " << cx << ", " << cy;

    // The middle of what shows of the block on the screen.
    double px = (std::max(shown.x, 0.0) + std::min(shown.x + shown.w, 375.0)) / 2;
    double py = (std::max(shown.y, 0.0) + std::min(shown.maxY(), 667.0)) / 2;
    Output last = sim({"touch", path(), "press", std::to_string(px), std::to_string(py), "--hold", "0.8"});
    ASSERT_EQ(last.exitCode, 0) << last.err;
    Json dropped = live();
    EXPECT_EQ((*clockBlock(dropped).view)["alpha"], 1) << last.out;  // the press reached it
    Rect frame = rectOf((*clockBlock(dropped).view)["frame"]);
    ASSERT_TRUE(eventually(5000ms, [&] {
        auto stored = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(positions.string()));
        return stored && ns::floatValue(stored->objectForKey("clockX")) == static_cast<float>(frame.x) &&
               ns::floatValue(stored->objectForKey("clockY")) == static_cast<float>(frame.y);
    })) << "the position file does not hold " << frame.x << ", " << frame.y;
}

TEST_F(LiveLockScreen, DisAutoBWKeepsUseBlacksBlackAcrossARespring) {
    set("useBlack", "true");
    set("disAutoBW", "true");
    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
    Json dump;
    EXPECT_TRUE(eventually(10000ms, [&] {
        dump = live();
        return panelLabels(dump).size() >= 5;
    }));
    for (const Json* label : panelLabels(dump))
        EXPECT_EQ((*label)["textColor"], Json::array({0.0, 0.0, 0.0, 1.0})) << (*label)["text"];

    for (const char* key : {"useBlack", "disAutoBW"}) ASSERT_EQ(sim({"settings", path(), "delete", key}).exitCode, 0);
    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
}

TEST_F(LiveLockScreen, AScreenshotIsTakenLiveAtTheDevicesScale) {
    fs::path shot = fs::path(path()).parent_path() / "live.png";
    Output taken = sim({"screenshot", path(), shot.string()});
    ASSERT_EQ(taken.exitCode, 0) << taken.err;
    std::string png = readFile(shot);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // The PNG header's width and height, big-endian.
    auto word = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(word(16), 750);
    EXPECT_EQ(word(20), 1334);
    // Nothing of the live picture stays in the device's run folder.
    for (const auto& entry : fs::directory_iterator(fs::path(path()) / "run"))
        EXPECT_EQ(entry.path().filename().string().rfind("screenshot-", 0), std::string::npos) << entry.path();
    // A fixed time is for a stopped device.
    Output refused = sim({"screenshot", path(), shot.string(), "--at", "2026-12-07T21:05:02"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("stopped device"), std::string::npos) << refused.err;
}

TEST_F(LiveLockScreen, TheLogHoldsOnlyTheAddOnsOwnLines) {
    const std::set<std::string> allowed{"OVS: OrvelleiOS has been updated.", "OVS: Now Playing App Is Playing."};
    for (const std::string& line : linesWith(log(), "OVS:")) EXPECT_TRUE(allowed.count(line)) << line;
    // Without Nine nothing of Nine is said.
    EXPECT_TRUE(linesWith(log(), "OVS: Detected Nine Installed.").empty());
    EXPECT_TRUE(linesWith(log(), "OVS: Nine.").empty());
}

}  // namespace

namespace {

TEST(LiveClock, ADeviceBootedAtAGivenTimeRunsFromIt) {
    TestDevice device({"--version", "10.3.3"});
    ASSERT_EQ(sim({"boot", device.path(), "--time", "2026-12-07T21:05:02", "--tz", "UTC"}).exitCode, 0);
    Json dump = dumpOf(device.path());
    std::string time = dump["time"].get<std::string>();
    EXPECT_EQ(time.substr(0, 16), "2026-12-07T21:05") << time;
    // The stock time, the locale's hour without a day period; the tweak is off.
    EXPECT_EQ(labelsWithText(dump, "9:05").size(), 1u);
    // Live dumps take no pinning options.
    Output pinned = sim({"dump", device.path(), "--at", "2026-12-07T21:05:02"});
    EXPECT_NE(pinned.exitCode, 0);
    EXPECT_NE(pinned.err.find("booted"), std::string::npos) << pinned.err;
}

}  // namespace

namespace {

// The lock state and the status bar's overrides, as the verbs set them on a
// live home screen: the call to action follows the state, a refused value
// changes nothing, clear goes back to the device's own.
TEST_F(LiveLockScreen, TheLockStateAndTheStatusBarsOverridesReachTheLiveScreen) {
    EXPECT_EQ(sim({"lock", path()}).out, "locked\n");
    EXPECT_FALSE(labelsWithText(live(), "Press home to unlock").empty());
    EXPECT_EQ(sim({"lock", path(), "unlocked"}).out, "unlocked\n");
    EXPECT_FALSE(labelsWithText(live(), "Press home to open").empty());
    EXPECT_TRUE(labelsWithText(live(), "Press home to unlock").empty());
    EXPECT_EQ(sim({"lock", path(), "locked"}).out, "locked\n");
    EXPECT_FALSE(labelsWithText(live(), "Press home to unlock").empty());
    EXPECT_EQ(sim({"lock", path(), "open"}).exitCode, 2);

    Output set = sim({"statusbar", path(), "--carrier", "Orvelle", "--signal", "2", "--battery", "42", "--charging", "yes"});
    EXPECT_EQ(set.out, "status bar: carrier \"Orvelle\" signal 2 battery 42% charging\n") << set.err;
    // Refused whole, by the tool or by the home screen, naming the value; the rest stays.
    Output outOfRange = sim({"statusbar", path(), "--battery", "101"});
    EXPECT_EQ(outOfRange.exitCode, 2);
    EXPECT_NE(outOfRange.err.find("--battery must be a whole number from 0 to 100"), std::string::npos) << outOfRange.err;
    Output escape = sim({"statusbar", path(), "--carrier", "a\x1b[2Jb", "--signal", "0"});
    EXPECT_NE(escape.exitCode, 0);
    EXPECT_NE(escape.err.find("control character"), std::string::npos) << escape.err;
    EXPECT_EQ(sim({"statusbar", path()}).out, "status bar: carrier \"Orvelle\" signal 2 battery 42% charging\n");
    EXPECT_EQ(sim({"statusbar", path(), "--battery", "7"}).out,
              "status bar: carrier \"Orvelle\" signal 2 battery 7% charging\n");
    EXPECT_EQ(sim({"statusbar", path(), "clear"}).out, "status bar: the device's own\n");
    EXPECT_EQ(sim({"statusbar", path(), "clear", "--signal", "1"}).exitCode, 2);
}

}  // namespace
