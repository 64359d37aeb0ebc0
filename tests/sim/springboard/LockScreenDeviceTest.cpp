// End to end on stopped devices: one-shot dumps at a pinned time show where
// the host and the tweak put the lock screen's parts, version by version and
// screen by screen, with the settings that move them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Command.h"
#include "DumpReader.h"
#include "foundation/PropertyList.h"
#include "weather/WeatherRecord.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kAt = "2026-12-07T21:05:02";

void set(const TestDevice& device, const std::string& key, const std::string& value, const std::string& type) {
    Output out = sim({"settings", device.path(), "set", key, value, "--type", type});
    ASSERT_EQ(out.exitCode, 0) << out.err;
}

void enable(const TestDevice& device) { set(device, "enableOVS", "true", "bool"); }

Json dumpAt(const TestDevice& device, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--at", kAt};
    args.insert(args.end(), more.begin(), more.end());
    return dumpOf(device.path(), args);
}

Rect listFrame(const Json& dump) { return rectOf(dump["notificationList"]["frame"]); }

// The panel's two containers, clock first, with their frames in the host view.
struct Blocks {
    Rect clock, weather;
    bool found = false;
};
Blocks blocks(const Json& dump) {
    auto containers = viewsOfClass(dump, "OVClockDragView");
    if (containers.size() != 2) return {};
    return {rectOf((*containers[0].view)["frame"]), rectOf((*containers[1].view)["frame"]), true};
}

const Json* stockDateView(const Json& dump) {
    auto found = viewsOfClass(dump, "SBFLockScreenDateView");
    return found.size() == 1 ? found[0].view : nullptr;
}

std::string callToAction(const Json& dump) {
    auto found = viewsOfClass(dump, "SBUICallToActionLabel");
    if (found.size() != 1 || (*found[0].view)["subviews"].empty()) return "<none>";
    return (*found[0].view)["subviews"][0]["text"].get<std::string>();
}

void writeWallpaper(const TestDevice& device, const char* name) {
    id settings = NSDictionaryNew();
    rt::cast<NSDictionary>(settings)->setObject(NSStr(name), "wallpaper");
    ASSERT_TRUE(ns::writeToFile(settings, device.path() + "/var/mobile/Library/Preferences/com.apple.springboard.plist"));
}

TEST(LockScreenDump, BothStylesPlaceTheBlocksAndTheListOnEachVersionAndScreen) {
    struct Screen {
        const char* size;
        double width, height;
    };
    for (const char* version : {"10.3.3", "11.1.2"}) {
        for (Screen screen : {Screen{"320x568", 320, 568}, Screen{"375x667", 375, 667}, Screen{"414x736", 414, 736}}) {
            TestDevice device({"--version", version, "--screen", screen.size});
            enable(device);
            for (int style : {1, 2}) {
                SCOPED_TRACE(std::string(version) + " " + screen.size + " style " + std::to_string(style));
                set(device, "clockStyle", std::to_string(style), "int");
                Json dump = dumpAt(device);
                ASSERT_TRUE(dump.is_object());
                EXPECT_EQ(dump["systemVersion"], version);
                EXPECT_EQ(dump["screen"]["width"], screen.width);
                bool eleven = version[1] == '1';
                EXPECT_EQ(hasHook(dump, "SBDashBoardViewController", "listMinY"), eleven);
                EXPECT_EQ(hasHook(dump, "SBDashBoardNotificationListViewController", "_suggestedListViewFrame"), !eleven);
                EXPECT_EQ(hasHook(dump, "SBMainDisplayPolicyAggregator",
                                  "_allowsCapabilityLockScreenTodayViewWithExplanation:"),
                          eleven);

                Blocks b = blocks(dump);
                ASSERT_TRUE(b.found);
                // The host view spans the screen and the blocks start inside it.
                auto hosts = viewsOfClass(dump, "SBFTouchPassThroughView");
                ASSERT_EQ(hosts.size(), 1u);
                EXPECT_EQ(hosts[0].inWindow.w, screen.width);
                EXPECT_GE(b.clock.x, 0);
                EXPECT_LT(b.clock.x, screen.width);
                EXPECT_GT(b.clock.h, 0);
                EXPECT_GT(b.weather.h, 0);

                const Json* stock = stockDateView(dump);
                ASSERT_NE(stock, nullptr);
                EXPECT_TRUE((*stock)["hidden"].get<bool>());
                EXPECT_EQ((*stock)["alpha"], 0);

                // The list starts 10 points under the lower block, down to the bottom.
                Rect list = listFrame(dump);
                EXPECT_EQ(list.y, std::max(b.clock.maxY(), b.weather.maxY()) + 10);
                EXPECT_EQ(list.x, 0);
                EXPECT_EQ(list.w, screen.width);
                EXPECT_EQ(list.maxY(), screen.height);
            }
        }
    }
}

TEST(LockScreenDump, WithTheTweakInactiveTheStockLockScreenIsUntouched) {
    for (auto options : {std::vector<std::string>{"--version", "11.1.2"},
                         std::vector<std::string>{"--version", "10.3.3", "--model", "iPad"}}) {
        SCOPED_TRACE(options.back());
        TestDevice device(options);
        if (options.back() == "iPad") enable(device);  // a tablet is left alone even when switched on
        Json dump = dumpAt(device);
        ASSERT_TRUE(dump.is_object());
        EXPECT_TRUE(dump["hooks"].empty());
        EXPECT_TRUE(viewsOfClass(dump, "OVClockDragView").empty());
        const Json* stock = stockDateView(dump);
        ASSERT_NE(stock, nullptr);
        EXPECT_FALSE((*stock)["hidden"].get<bool>());
        EXPECT_EQ((*stock)["alpha"], 1);
        // The locale's hour without a day period: en_US writes 21:05 as 9:05.
        EXPECT_EQ((*stock)["subviews"][0]["text"], "9:05");
        // The list lies under the stock date and time.
        Rect dateTime = rectOf((*stock)["frame"]);
        EXPECT_EQ(listFrame(dump).y, dateTime.maxY() + 10);
        // Both versions ask to unlock while locked.
        EXPECT_EQ(callToAction(dump), "Press home to unlock");
        EXPECT_TRUE(dump["alerts"].empty());
    }
}

TEST(LockScreenDump, TimeAndDateFollowThePinnedTimeLocaleAndZone) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    Json dump = dumpAt(device, {"--run", "1", "--locale", "de_DE", "--tz", "Europe/Berlin"});
    ASSERT_TRUE(dump.is_object());
    EXPECT_EQ(dump["time"], "2026-12-07T21:05:03+01:00");
    const Json* stock = stockDateView(dump);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ((*stock)["subviews"][0]["text"], "21:05");
    EXPECT_EQ((*stock)["subviews"][1]["text"], "Montag, 7. Dezember");
    // The panel's time label shows the same minute; a second later the run still shows it.
    auto containers = viewsOfClass(dump, "OVClockDragView");
    ASSERT_EQ(containers.size(), 2u);
    auto panelTimes = findViews(dump, [](const Json& v) { return v.contains("text") && v["text"] == "21:05"; });
    EXPECT_GE(panelTimes.size(), 2u);  // the stock label and at least the panel's time label

    Json utc = dumpAt(device, {"--run", "61", "--tz", "UTC"});
    EXPECT_EQ(utc["time"], "2026-12-07T21:06:03+00:00");
    // The stock date view moved on with the minute (in the device's en_US).
    EXPECT_EQ((*stockDateView(utc))["subviews"][0]["text"], "9:06");
}

TEST(LockScreenDump, TheListFollowsHiddenWeatherAndMakesRoomForNine) {
    {
        TestDevice device({"--version", "11.1.2"});
        enable(device);
        set(device, "hideWea", "true", "bool");
        Json dump = dumpAt(device);
        Blocks b = blocks(dump);
        ASSERT_TRUE(b.found);
        EXPECT_EQ(listFrame(dump).y, b.clock.maxY() + 10);
    }
    {
        // Nine installed and enabled, "moveTop" on: the list starts under the status bar.
        TestDevice device({"--version", "11.1.2", "--with-nine"});
        enable(device);
        set(device, "moveTop", "true", "bool");
        std::string log = device.path() + "/../nine.log";
        Json dump = dumpAt(device, {"--log", log});
        EXPECT_EQ(listFrame(dump).y, 20);
        std::string text = readFile(log);
        EXPECT_FALSE(linesWith(text, "OVS: Detected Nine Installed.").empty());
        EXPECT_FALSE(linesWith(text, "OVS: Nine.").empty());
        // Nine's veil is hosted in the page, between the panel and the list.
        auto veils = findViews(dump, [](const Json& v) {
            return v["backgroundColor"].is_array() && v["backgroundColor"][3] == 0.35 && v["frame"][2] == 375;
        });
        EXPECT_EQ(veils.size(), 1u);
        // Nine switched off in its own settings: the panel's place again.
        id nine = NSDictionaryNew();
        rt::cast<NSDictionary>(nine)->setObject(NSNum(false), "tweakEnabled");
        ASSERT_TRUE(ns::writeToFile(nine, device.path() + "/var/mobile/Library/Preferences/com.brannoch.nineprefs.plist"));
        Json off = dumpAt(device);
        Blocks b = blocks(off);
        ASSERT_TRUE(b.found);
        EXPECT_EQ(listFrame(off).y, std::max(b.clock.maxY(), b.weather.maxY()) + 10);
    }
    {
        // Version 10 asks for the whole rectangle and never hosts Nine.
        TestDevice device({"--version", "10.3.3", "--screen", "320x568", "--with-nine"});
        enable(device);
        set(device, "moveTop", "true", "bool");
        Json dump = dumpAt(device);
        Blocks b = blocks(dump);
        ASSERT_TRUE(b.found);
        double top = std::max(b.clock.maxY(), b.weather.maxY()) + 10;
        Rect list = listFrame(dump);
        EXPECT_EQ(list.y, top);
        EXPECT_EQ(list.w, 320);
        EXPECT_EQ(list.h, 568 - top);
        EXPECT_TRUE(findViews(dump, [](const Json& v) { return v["backgroundColor"].is_array() &&
                                                               v["backgroundColor"][3] == 0.35; })
                        .empty());
    }
}

TEST(LockScreenDump, TheCallToActionTextIsTheDevicesBlankOrCustom) {
    TestDevice device({"--version", "10.3.3"});
    enable(device);
    EXPECT_EQ(callToAction(dumpAt(device)), "Press home to unlock");
    set(device, "cusText", "true", "bool");
    set(device, "setCusText", "Hello", "string");
    EXPECT_EQ(callToAction(dumpAt(device)), "Hello");
    set(device, "hideText", "true", "bool");
    EXPECT_EQ(callToAction(dumpAt(device)), " ");
}

TEST(LockScreenDump, ThePanelTakesTheWallpapersLegibilityColour) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    for (auto [wallpaper, shade] : {std::pair{"light", 0.0}, std::pair{"dark", 1.0}}) {
        SCOPED_TRACE(wallpaper);
        writeWallpaper(device, wallpaper);
        Json dump = dumpAt(device);
        Json expected = Json::array({shade, shade, shade, 1.0});
        EXPECT_EQ((*stockDateView(dump))["subviews"][0]["textColor"], expected);
        auto containers = viewsOfClass(dump, "OVClockDragView");
        ASSERT_EQ(containers.size(), 2u);
        auto timeLabels = findViews(dump, [](const Json& v) { return v.contains("text") && v["text"] == "21:05"; });
        ASSERT_GE(timeLabels.size(), 2u);
        EXPECT_EQ((*timeLabels.back().view)["textColor"], expected);
    }
}

// Every label of the panel has the colour.
void expectPanelColour(const Json& dump, const Json& colour) {
    auto labels = panelLabels(dump);
    EXPECT_GE(labels.size(), 5u);
    for (const Json* label : labels) EXPECT_EQ((*label)["textColor"], colour) << (*label)["text"];
}

TEST(LockScreenDump, DisAutoBWKeepsUseBlacksBlackThroughTheMinuteOnADarkWallpaper) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    writeWallpaper(device, "dark");
    set(device, "useBlack", "true", "bool");
    set(device, "disAutoBW", "true", "bool");
    // Long enough for the stock date view's refresh at the next minute.
    expectPanelColour(dumpAt(device, {"--run", "65"}), Json::array({0.0, 0.0, 0.0, 1.0}));
    // Without it the lock screen's colour for a dark wallpaper applies, as ever.
    set(device, "disAutoBW", "false", "bool");
    expectPanelColour(dumpAt(device, {"--run", "65"}), Json::array({1.0, 1.0, 1.0, 1.0}));
}

TEST(LockScreenDump, AClockStoredOffTheScreenShowsWithItsCentreOnItAndTheFileKeepsItsValues) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    std::string file = device.path() + "/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
    id stored = NSDictionaryNew();
    rt::cast<NSDictionary>(stored)->setObject(NSStr("-500.000000"), "clockX");
    rt::cast<NSDictionary>(stored)->setObject(NSStr("5000.000000"), "clockY");
    ASSERT_TRUE(ns::writeToFile(stored, file));
    std::string before = readFile(file);

    Json dump = dumpAt(device);
    auto containers = viewsOfClass(dump, "OVClockDragView");
    ASSERT_EQ(containers.size(), 2u);
    Rect clock = containers[0].inWindow;
    double cx = clock.x + clock.w / 2, cy = clock.y + clock.h / 2;
    EXPECT_TRUE(cx >= 0 && cx < 375 && cy >= 0 && cy < 667) << "centre " << cx << ", " << cy;
    EXPECT_EQ(readFile(file), before);
}

TEST(LockScreenDump, ANewDeviceHoldsTheSampleWeatherRecordWhichTheWidgetReads) {
    TestDevice device({"--version", "11.1.2"});
    std::string file = device.path() + weather::kRecordFile;
    // The file itself holds every key (a missing key would read as no value).
    auto record = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    ASSERT_TRUE(record) << file << " is missing or unreadable";
    for (auto [key, value] : {std::pair{"temperature", "21°"}, std::pair{"location", "Paris"},
                              std::pair{"conditions", "Sunny"}, std::pair{"icon", "sun"}}) {
        id entry = record->objectForKey(key);
        EXPECT_TRUE(isString(entry) && str(entry) == value) << key;
    }

    // An edit of the file is what the device shows.
    enable(device);
    set(device, "clockStyle", "2", "int");
    EXPECT_EQ(labelsWithText(dumpAt(device), "Paris・21°").size(), 1u);
    ASSERT_TRUE(weather::writeRecord(file, {"-4°", "Lima", "Light snow", "snow"}));
    Json edited = dumpAt(device);
    EXPECT_EQ(labelsWithText(edited, "Lima・-4°").size(), 1u);
    EXPECT_EQ(labelsWithText(edited, "Light snow").size(), 1u);
    EXPECT_TRUE(labelsWithText(edited, "Paris・21°").empty());
}

// No label shows a placeholder word for a value the weather lacks.
void expectNoPlaceholder(const Json& dump) {
    auto shown = findViews(dump, [](const Json& v) {
        if (!v.contains("text")) return false;
        std::string text = v["text"].get<std::string>();
        return text.find("NULL") != std::string::npos || text.find("(null)") != std::string::npos;
    });
    for (const Found& f : shown) ADD_FAILURE() << "a label shows " << (*f.view)["text"];
}

TEST(LockScreenDump, AWeatherValueClearedLeavesItsPartOutWithNoPlaceholder) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    set(device, "clockStyle", "2", "int");
    auto weather = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"weather", device.path()});
        Output out = sim(options);
        EXPECT_EQ(out.exitCode, 0) << out.err;
        Json dump = dumpAt(device);
        expectNoPlaceholder(dump);
        return dump;
    };
    // The row style: the location alone, or the temperature alone, without a separator.
    EXPECT_EQ(labelsWithText(weather({"--no-temperature"}), "Paris").size(), 1u);
    EXPECT_EQ(labelsWithText(weather({"--temperature", "21°", "--no-location"}), "21°").size(), 1u);
    Json bare = weather({"--no-temperature", "--no-conditions", "--no-icon"});
    auto labels = panelLabels(bare);
    EXPECT_TRUE(std::none_of(labels.begin(), labels.end(), [](const Json* l) { return (*l)["text"] == "Sunny"; }));

    // The stacked style's temperature label is left empty.
    set(device, "clockStyle", "1", "int");
    Json stacked = weather({"--location", "Oslo", "--conditions", "Fog"});
    auto blocks = viewsOfClass(stacked, "OVClockDragView");
    ASSERT_EQ(blocks.size(), 2u);
    std::vector<std::string> weatherTexts;
    for (const Json& view : (*blocks[1].view)["subviews"])
        if (view.contains("text")) weatherTexts.push_back(view["text"]);
    EXPECT_EQ(weatherTexts, std::vector<std::string>{""});

    Output both = sim({"weather", device.path(), "--temperature", "5°", "--no-temperature"});
    EXPECT_NE(both.exitCode, 0);
    EXPECT_NE(both.err.find("--no-temperature"), std::string::npos) << both.err;
}

TEST(LockScreenDump, AStoppedDeviceIsLeftAsItWasAndBadOptionsFail) {
    TestDevice device({"--version", "11.1.2"});
    enable(device);
    fs::path marker = fs::path(device.path()) / "var/mobile/Library/Preferences/com.tovik.installorvellehasbeenupdated140.plist";
    Json dump = dumpAt(device);
    // The one-shot showed the update notice, but the marker it wrote went with the copy.
    EXPECT_EQ(dump["alerts"].size(), 1u);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(readFile(fs::path(device.path()) / "log/device.log").empty());

    Output badTime = sim({"dump", device.path(), "--at", "2026-02-30T10:00"});
    EXPECT_NE(badTime.exitCode, 0);
    EXPECT_NE(badTime.err.find("--at"), std::string::npos) << badTime.err;
    Output badRun = sim({"dump", device.path(), "--run", "soon"});
    EXPECT_NE(badRun.exitCode, 0);
    EXPECT_NE(badRun.err.find("--run"), std::string::npos) << badRun.err;
    Output notBooted = sim({"media", device.path(), "play"});
    EXPECT_NE(notBooted.exitCode, 0);
    EXPECT_NE(notBooted.err.find("not booted"), std::string::npos) << notBooted.err;
}

}  // namespace
