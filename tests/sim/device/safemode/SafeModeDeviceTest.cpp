// A tweak that aborts at load: the device gets out of the crash loop by
// itself into safe mode, says so and why, keeps a crash report naming the
// tweak, and comes back to normal when asked or when the tweak is gone.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SafeMode : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
        markUpdateNoticeSeen(device.path());
        fs::copy_file(ABORT_AT_LOAD_TWEAK, tweak());
    }
    fs::path tweak() const {
        return fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries/AbortAtLoad.dylib";
    }
    std::string status() const { return sim({"status", device.path()}).out; }
    std::string dump() const { return sim({"dump", device.path()}).out; }

    TestDevice device;
};

}  // namespace

TEST_F(SafeMode, ACrashLoopEndsInSafeModeWithItsReportAndTheWayBack) {
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    ASSERT_TRUE(eventually(30s, [&] { return status().find("safe mode:") != std::string::npos; }))
        << status() << readFile(fs::path(device.path()) / "log/device.log");

    std::string why = status();
    EXPECT_NE(why.find("to blame: AbortAtLoad.dylib"), std::string::npos) << why;
    EXPECT_FALSE(logLines(device.path(), "SpringBoard: safe mode: tweaks are not loaded").empty());
    EXPECT_NE(dump().find("Safe Mode: tweaks are not loaded (SpringBoard crashed with AbortAtLoad.dylib)"),
              std::string::npos);

    // The reports name the tweak and where it stopped.
    Output list = sim({"crashes", device.path()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("Signal:   6 (SIGABRT)"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Loading:  AbortAtLoad.dylib"), std::string::npos) << list.out;
    std::string first = list.out.substr(0, list.out.find('\n'));
    Output report = sim({"crashes", device.path(), first});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_NE(report.out.find("abortAtLoad()"), std::string::npos) << "the backtrace is not symbolised:\n" << report.out;
    EXPECT_NE(report.out.find("AbortAtLoadTweak.cpp"), std::string::npos) << report.out;
    EXPECT_NE(sim({"crashes", device.path(), "../../../etc/passwd"}).exitCode, 0);

    // Asked for, normal mode comes back (and, with the tweak still there, the loop again).
    Output normal = sim({"respring", device.path(), "--normal"});
    EXPECT_TRUE(normal.exitCode == 0 || status().find("safe mode:") != std::string::npos) << normal.err;
    EXPECT_FALSE(logLines(device.path(), "normal mode asked for").empty());

    // With the tweak gone, the next start is a normal one.
    ASSERT_TRUE(eventually(15s, [&] { return status().find("safe mode:") != std::string::npos; })) << status();
    fs::remove(tweak());
    Output respring = sim({"respring", device.path()});
    ASSERT_EQ(respring.exitCode, 0) << respring.err;
    EXPECT_TRUE(eventually(5s, [&] { return status().find("safe mode:") == std::string::npos; })) << status();
    EXPECT_EQ(dump().find("Safe Mode"), std::string::npos);
    EXPECT_FALSE(logLines(device.path(), "normal mode again: the libraries to blame are gone").empty());
}

// A tweak's file name is the device's to choose: escape sequences in it reach
// the user's terminal through every verb that names the tweak unless shown escaped.
TEST(EscapedNames, ATweakNamedWithEscapeSequencesIsShownEscapedEverywhere) {
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    const std::string name = "Evil\x1b]0;owned\x07\x1b[2J.dylib";
    const std::string shown = "Evil\\x1b]0;owned\\x07\\x1b[2J.dylib";
    fs::copy_file(ABORT_AT_LOAD_TWEAK, fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries" / name);
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    auto status = [&] { return sim({"status", device.path()}); };
    ASSERT_TRUE(eventually(10s, [&] { return status().out.find("safe mode:") != std::string::npos; })) << status().out;

    Output list = sim({"crashes", device.path()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::string first = list.out.substr(0, list.out.find('\n'));
    for (const Output& out : {booted, status(), list, sim({"crashes", device.path(), first}), sim({"log", device.path()})}) {
        EXPECT_EQ(out.out.find('\x1b'), std::string::npos) << out.out;
        EXPECT_EQ(out.err.find('\x1b'), std::string::npos) << out.err;
    }
    EXPECT_NE(status().out.find("to blame: " + shown), std::string::npos) << status().out;
    EXPECT_NE(list.out.find(shown), std::string::npos) << list.out;
    EXPECT_NE(sim({"log", device.path()}).out.find(shown), std::string::npos);
    EXPECT_NE(booted.err.find(shown), std::string::npos) << booted.err;
}

// What the device's Settings app prints (its panes' labels and values, its
// failures) reaches the user's terminal escaped too.
TEST(EscapedNames, WhatTheSettingsAppPrintsIsShownEscaped) {
    TestDevice device;
    Output shown = sim({"prefs", device.path(), "show", "Evil\x1b[2J\x9b"});
    EXPECT_NE(shown.exitCode, 0);
    EXPECT_EQ((shown.out + shown.err).find('\x1b'), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("Evil\\x1b[2J\\x9b"), std::string::npos) << shown.err;
    Output listed = sim({"prefs", device.path(), "show"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_FALSE(listed.out.empty());
}
