// End to end on one booted device: what the Settings pane's switch, restart
// and layout reset do to the lock screen, seen through live dumps, the device
// log and the files. The cases run in order on the same device; each leaves
// the tweak switched on with the panel shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "Command.h"
#include "DumpReader.h"

namespace {

namespace fs = std::filesystem;

// Polling: a bounded number of looks, a short pause between two looks.
constexpr int kLooks = 150;
constexpr std::chrono::milliseconds kPause{100};

template <class Condition>
bool within(int looks, Condition condition) {
    for (int look = 0; look < looks; ++look) {
        if (condition()) return true;
        std::this_thread::sleep_for(kPause);
    }
    return false;
}

const char* const kPositionFiles[] = {"com.tovik.orvelleClock.plist", "com.tovik.orvelleWeather.plist"};

class PrefsLockScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new TestDevice({"--version", "11.1.2", "--screen", "375x667"});
        Output on = sim({"prefs", path(), "set", "enableOVS", "true"});
        ASSERT_EQ(on.exitCode, 0) << on.err;
        markUpdateNoticeSeen(path());  // its alert would take the touches
        Output booted = sim({"boot", path()});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
    }
    static void TearDownTestSuite() {
        delete device;  // shuts the device down and removes it
        device = nullptr;
    }
    static const std::string& path() { return device->path(); }
    static fs::path preferences() { return fs::path(path()) / "var/mobile/Library/Preferences"; }

    static void prefs(const std::vector<std::string>& words) {
        std::vector<std::string> args{"prefs", path()};
        args.insert(args.end(), words.begin(), words.end());
        Output out = sim(args);
        ASSERT_EQ(out.exitCode, 0) << "prefs " << words.back() << ": " << out.err;
    }

    // A live dump, or null while SpringBoard is not answering (during a restart).
    static Json tryDump() {
        Output out = sim({"dump", path()});
        if (out.exitCode != 0) return Json();
        Json parsed = Json::parse(out.out, nullptr, false);
        return parsed.is_discarded() ? Json() : parsed;
    }
    static bool panelShown(const Json& dump) {
        return dump.is_object() && viewsOfClass(dump, "OVClockDragView").size() == 2;
    }
    static bool stockShown(const Json& dump) {
        if (!dump.is_object() || !viewsOfClass(dump, "OVClockDragView").empty()) return false;
        auto stock = viewsOfClass(dump, "SBFLockScreenDateView");
        return stock.size() == 1 && !(*stock[0].view)["hidden"].get<bool>() && (*stock[0].view)["alpha"] == 1;
    }

    // Presses the pane's restart (or `action`, which restarts too) and waits
    // for a new SpringBoard whose live dump satisfies `ready`; answers that dump.
    template <class Ready>
    static Json restartWith(const std::string& action, Ready ready) {
        int before = device->pidOf("SpringBoard");
        EXPECT_GT(before, 0);
        prefs({"press", action});
        Json dump;
        bool back = within(kLooks, [&] {
            int now = device->pidOf("SpringBoard");
            if (now == 0 || now == before) return false;
            dump = tryDump();
            return ready(dump);
        });
        EXPECT_TRUE(back) << "no new SpringBoard with the expected lock screen after " << action;
        return dump;
    }

    // The clock block: the container without the weather's picture.
    static Found clockBlock(const Json& dump) {
        for (const Found& c : viewsOfClass(dump, "OVClockDragView")) {
            bool picture = false;
            for (const Json& sub : (*c.view)["subviews"]) picture |= sub["class"] == "UIImageView";
            if (!picture) return c;
        }
        return {nullptr, {}};
    }
    // The frames of both blocks in their superview, clock first.
    static std::map<std::string, Json> blockFrames(const Json& dump) {
        std::map<std::string, Json> frames;
        for (const Found& c : viewsOfClass(dump, "OVClockDragView"))
            frames[c.view == clockBlock(dump).view ? "clock" : "weather"] = (*c.view)["frame"];
        return frames;
    }

    static inline TestDevice* device = nullptr;
};

std::string coordinate(double v) { return std::to_string(v); }

TEST_F(PrefsLockScreen, TheRestartBringsANewSpringBoardWithTheTweakLoadedAfresh) {
    auto loads = [] { return logLines(path(), "Loader: loading OrvelleiOS10.dylib").size(); };
    Json first = tryDump();
    ASSERT_TRUE(panelShown(first));
    ASSERT_TRUE(hasHook(first, "SBDashBoardMainPageContentViewController", "loadView"));
    std::size_t loadsBefore = loads();

    Json dump = restartWith("respringDevice", panelShown);
    ASSERT_TRUE(panelShown(dump));
    EXPECT_TRUE(hasHook(dump, "SBDashBoardMainPageContentViewController", "loadView"));
    EXPECT_TRUE(hasHook(dump, "SBFLockScreenDateView", "layoutSubviews"));
    // The new process wrote its own load line.
    std::string newLoad = "SpringBoard[" + std::to_string(device->pidOf("SpringBoard")) +
                          "]: Loader: loading OrvelleiOS10.dylib (filter matched)";
    EXPECT_TRUE(within(kLooks, [&] { return readFile(fs::path(path()) / "log/device.log").find(newLoad) != std::string::npos; }))
        << newLoad;
    EXPECT_EQ(loads(), loadsBefore + 1);
}

TEST_F(PrefsLockScreen, TheMasterSwitchOffGivesTheStockLockScreenAndOnBringsThePanelBack) {
    prefs({"set", "enableOVS", "false"});
    Json off = restartWith("respringDevice", stockShown);
    ASSERT_TRUE(stockShown(off));
    EXPECT_TRUE(off["hooks"].empty()) << off["hooks"].dump();
    auto stock = viewsOfClass(off, "SBFLockScreenDateView");
    ASSERT_FALSE((*stock[0].view)["subviews"].empty());
    EXPECT_FALSE((*stock[0].view)["subviews"][0]["text"].get<std::string>().empty());

    prefs({"set", "enableOVS", "true"});
    Json on = restartWith("respringDevice", panelShown);
    ASSERT_TRUE(panelShown(on));
    EXPECT_FALSE(on["hooks"].empty());
    stock = viewsOfClass(on, "SBFLockScreenDateView");
    ASSERT_EQ(stock.size(), 1u);
    EXPECT_TRUE((*stock[0].view)["hidden"].get<bool>());
}

TEST_F(PrefsLockScreen, AResetLayoutGivesTheDefaultFramesBackAndRemovesThePositions) {
    Json start = tryDump();
    ASSERT_TRUE(panelShown(start));
    auto defaults = blockFrames(start);
    ASSERT_EQ(defaults.size(), 2u);

    // Long press, drag upwards, long press again at the block's new centre.
    Rect block = clockBlock(start).inWindow;
    std::string x = coordinate(block.x + block.w / 2), y = coordinate(block.y + block.h / 2);
    std::string y2 = coordinate(block.y + block.h / 2 - 40);
    ASSERT_EQ(sim({"touch", path(), "press", x, y, "--hold", "0.8"}).exitCode, 0);
    ASSERT_EQ(sim({"touch", path(), "drag", x, y, x, y2, "--steps", "8"}).exitCode, 0);
    Json dragged = tryDump();
    ASSERT_NE(clockBlock(dragged).view, nullptr);
    Rect moved = clockBlock(dragged).inWindow;
    ASSERT_EQ(sim({"touch", path(), "press", coordinate(moved.x + moved.w / 2), coordinate(moved.y + moved.h / 2),
                   "--hold", "0.8"})
                  .exitCode,
              0);
    fs::path clockFile = preferences() / kPositionFiles[0];
    ASSERT_TRUE(within(kLooks, [&] { return fs::exists(clockFile); })) << "the move stored no position";
    ASSERT_NE(blockFrames(tryDump())["clock"], defaults["clock"]) << "the block did not move";

    Json reset = restartWith("resetLayout", panelShown);
    ASSERT_TRUE(panelShown(reset));
    EXPECT_EQ(blockFrames(reset), defaults);
    for (const char* file : kPositionFiles) EXPECT_FALSE(fs::exists(preferences() / file)) << file;
}

}  // namespace
