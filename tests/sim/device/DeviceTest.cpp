// A device from boot to update notice and home-screen restarts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kNotice = "OVS: OrvelleiOS has been updated.";
const char* const kMarker = "var/mobile/Library/Preferences/com.tovik.installorvellehasbeenupdated140.plist";

void boot(const TestDevice& device) {
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    ASSERT_GT(device.pidOf("SpringBoard"), 0);
    ASSERT_GT(device.pidOf("backboardd"), 0);
}

void respring(const TestDevice& device) {
    Output done = sim({"respring", device.path()});
    ASSERT_EQ(done.exitCode, 0) << done.err;
}

TEST(Device, BootsWithTheTweakLoadedAndNoSettingsSaysNothing) {
    TestDevice device;
    boot(device);
    EXPECT_EQ(logLines(device.path(), "Loader: loading OrvelleiOS10.dylib"),
              std::vector<std::string>{"Loader: loading OrvelleiOS10.dylib (filter matched)"});
    EXPECT_EQ(logLines(device.path(), "SpringBoard: up").size(), 1u);
    EXPECT_TRUE(logLines(device.path(), "OVS: ").empty());
    EXPECT_FALSE(fs::exists(fs::path(device.path()) / kMarker));
}

TEST(Device, TheUpdateNoticeComesOnceAfterTheSwitchIsOn) {
    TestDevice device;
    boot(device);
    ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
    respring(device);
    EXPECT_EQ(logLines(device.path(), "OVS: "), std::vector<std::string>{kNotice});
    auto alerts = logLines(device.path(), "UIAlertView shown: ");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("title=\"OrvelleiOS\""), std::string::npos) << alerts[0];
    EXPECT_NE(alerts[0].find("buttons=[\"Okay!\"]"), std::string::npos) << alerts[0];
    fs::path marker = fs::path(device.path()) / kMarker;
    ASSERT_TRUE(fs::exists(marker));
    EXPECT_EQ(fs::file_size(marker), 0u);

    respring(device);
    EXPECT_EQ(logLines(device.path(), "OVS: ").size(), 1u);
    EXPECT_EQ(logLines(device.path(), "UIAlertView shown: ").size(), 1u);
    EXPECT_EQ(logLines(device.path(), "Loader: loading OrvelleiOS10.dylib").size(), 3u) << "loaded afresh each start";
}

// A respring returns once the home screen and the display server are both
// back, so another one right after it finds both to end and says nothing.
TEST(Device, RespringsInARowEachRestartBothProgramsSilently) {
    TestDevice device;
    boot(device);
    for (int i = 0; i < 3; ++i) {
        int springBoard = device.pidOf("SpringBoard"), display = device.pidOf("backboardd");
        Output done = sim({"respring", device.path()});
        ASSERT_EQ(done.exitCode, 0) << done.err;
        EXPECT_EQ(done.err, "") << "respring " << i;
        EXPECT_NE(device.pidOf("SpringBoard"), springBoard) << "respring " << i;
        int displayAfter = device.pidOf("backboardd");
        EXPECT_TRUE(displayAfter != 0 && displayAfter != display) << "respring " << i << ": backboardd " << displayAfter;
    }
}

TEST(Device, AKilledSpringBoardComesBackWithinTwoSeconds) {
    TestDevice device;
    boot(device);
    int before = device.pidOf("SpringBoard");
    Output killed = sim({"exec", device.path(), "--", "killall", "-9", "SpringBoard"});
    ASSERT_EQ(killed.exitCode, 0) << killed.err;
    EXPECT_TRUE(eventually(2000ms, [&] {
        int now = device.pidOf("SpringBoard");
        return now != 0 && now != before;
    }));
    Output answered = sim({"exec", device.path(), "--", "/bin/sh", "-c", "kill -0 $(pidof SpringBoard)"});
    EXPECT_EQ(answered.exitCode, 0) << "the new SpringBoard runs: " << answered.err;
}

TEST(Device, AKillallInsideOneDeviceLeavesAnotherAlone) {
    TestDevice first;
    TestDevice second;
    boot(first);
    boot(second);
    int secondBefore = second.pidOf("SpringBoard");
    std::string secondLog = readFile(fs::path(second.path()) / "log/device.log");
    int firstBefore = first.pidOf("SpringBoard");

    ASSERT_EQ(sim({"exec", first.path(), "--", "/usr/bin/killall", "-9", "SpringBoard", "backboardd"}).exitCode, 0);
    ASSERT_TRUE(eventually(2000ms, [&] {
        int now = first.pidOf("SpringBoard");
        return now != 0 && now != firstBefore;
    }));
    EXPECT_EQ(second.pidOf("SpringBoard"), secondBefore);
    EXPECT_EQ(readFile(fs::path(second.path()) / "log/device.log"), secondLog) << "nothing happened in the other device";
    // Only the device's own processes are visible inside it.
    Output listed = sim({"exec", second.path(), "--", "/bin/sh", "-c", "ls -d /proc/[0-9]* | wc -l"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_LT(std::stoi(listed.out), 10) << listed.out;
}

TEST(Device, TheNineStandInLoadsBesideTheTweak) {
    TestDevice device({"--with-nine"});
    boot(device);
    EXPECT_EQ(logLines(device.path(), "Loader: loading "),
              (std::vector<std::string>{"Loader: loading nine.dylib (filter matched)",
                                        "Loader: loading OrvelleiOS10.dylib (filter matched)"}));
    EXPECT_EQ(logLines(device.path(), "Nine: background controller ready").size(), 1u);
    Output enabled = run({"/bin/grep", "-c", "tweakEnabled",
                          device.path() + "/var/mobile/Library/Preferences/com.brannoch.nineprefs.plist"});
    EXPECT_EQ(enabled.out, "1\n");
}

TEST(Device, ShutdownStopsEveryProgramAndBootStartsThemAgain) {
    TestDevice device;
    boot(device);
    ASSERT_EQ(sim({"shutdown", device.path()}).exitCode, 0);
    EXPECT_EQ(sim({"status", device.path()}).out, "shut down\n");
    EXPECT_EQ(logLines(device.path(), "stopped").size(), 1u);
    Output again = sim({"shutdown", device.path()});
    EXPECT_NE(again.exitCode, 0);
    EXPECT_EQ(std::count(again.err.begin(), again.err.end(), '\n'), 1) << again.err;
    boot(device);
    Output twice = sim({"boot", device.path()});
    EXPECT_NE(twice.exitCode, 0);
    EXPECT_NE(twice.err.find("already booted"), std::string::npos) << twice.err;
}

}  // namespace
