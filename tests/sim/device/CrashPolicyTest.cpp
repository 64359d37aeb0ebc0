// How the keeper answers SpringBoard's ends, and the crash notes it reads.
#include <gtest/gtest.h>

#include "crash/CrashReport.h"
#include "device/CrashPolicy.h"

namespace {

sim::SpringBoardEnd crashAfter(double uptime, const std::string& how = "signal:6") {
    return {how, uptime, "SpringBoard-1.crash", {"Bad.dylib"}};
}
bool everythingInstalled(const std::string&) { return true; }
bool nothingInstalled(const std::string&) { return false; }

}  // namespace

TEST(CrashPolicy, CrashesRightAfterTheStartBackOffThenEndInSafeMode) {
    sim::CrashPolicy policy;
    auto first = policy.ended(crashAfter(0.3), everythingInstalled);
    auto second = policy.ended(crashAfter(0.3), everythingInstalled);
    EXPECT_FALSE(first.safe);
    EXPECT_FALSE(second.safe);
    EXPECT_DOUBLE_EQ(first.delay, 0.5);
    EXPECT_DOUBLE_EQ(second.delay, 1.0) << "each crash in a row waits longer";
    auto third = policy.ended(crashAfter(0.3), everythingInstalled);
    EXPECT_TRUE(third.safe);
    EXPECT_TRUE(third.enteredSafeMode);
    EXPECT_DOUBLE_EQ(third.delay, 0) << "without tweaks there is no reason to wait";
    EXPECT_EQ(policy.culprits(), std::vector<std::string>{"Bad.dylib"});
    EXPECT_EQ(policy.lastReport(), "SpringBoard-1.crash");
    // Still crashing in safe mode: it stays there and backs off, never spins.
    auto again = policy.ended(crashAfter(0.3), everythingInstalled);
    EXPECT_TRUE(again.safe);
    EXPECT_FALSE(again.enteredSafeMode);
    EXPECT_GT(again.delay, 1.0);
    for (int i = 0; i < 10; ++i) again = policy.ended(crashAfter(0.3), everythingInstalled);
    EXPECT_DOUBLE_EQ(again.delay, sim::CrashPolicy::kLongestPause);
}

TEST(CrashPolicy, KillsLongLivesAndCleanExitsAreNotCrashes) {
    sim::CrashPolicy policy;
    for (const char* how : {"signal:9", "signal:15", "exit:0"}) {
        auto d = policy.ended(crashAfter(0.1, how), everythingInstalled);
        EXPECT_DOUBLE_EQ(d.delay, 0) << how;
        EXPECT_EQ(policy.crashesInARow(), 0) << how << " counted as a crash (a respring kills with signal 9)";
    }
    policy.ended(crashAfter(0.3), everythingInstalled);
    policy.ended(crashAfter(0.3), everythingInstalled);
    // A SpringBoard that lived a while before crashing starts the count again.
    auto late = policy.ended(crashAfter(60), everythingInstalled);
    EXPECT_FALSE(late.safe);
    EXPECT_EQ(policy.crashesInARow(), 0);
    EXPECT_TRUE(sim::CrashPolicy::isCrash("exit:1"));
    EXPECT_TRUE(sim::CrashPolicy::isCrash("signal:11"));
    EXPECT_FALSE(sim::CrashPolicy::isCrash("nonsense"));
}

TEST(CrashPolicy, SafeModeEndsWhenAskedOrWhenTheLibrariesToBlameAreGone) {
    sim::CrashPolicy policy;
    for (int i = 0; i < 3; ++i) policy.ended(crashAfter(0.3), everythingInstalled);
    ASSERT_TRUE(policy.safe());
    // A respring while the tweak is still installed keeps safe mode.
    EXPECT_TRUE(policy.ended(crashAfter(30, "signal:9"), everythingInstalled).safe);
    EXPECT_FALSE(policy.ended(crashAfter(30, "signal:9"), nothingInstalled).safe);
    for (int i = 0; i < 3; ++i) policy.ended(crashAfter(0.3), everythingInstalled);
    ASSERT_TRUE(policy.safe());
    policy.leaveSafeMode();
    EXPECT_FALSE(policy.safe());
    EXPECT_EQ(policy.crashesInARow(), 0);
}

TEST(CrashNote, ParsesWhatTheHandlerWritesAndRefusesOtherText) {
    std::string text =
        "orvelle-crash-note 1\nprogram SpringBoard\npid 12\ntime 1765212345\nsignal 11\nloading -\n"
        "loaded A.dylib,B.dylib\nframes 0x10 0x20\nmaps\n00400000-00401000 r-xp 00000000 00:00 0 /bin/x\n";
    auto note = crash::parseCrashNote(text);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->program, "SpringBoard");
    EXPECT_EQ(note->signal, 11);
    EXPECT_EQ(note->frames, (std::vector<std::uint64_t>{0x10, 0x20}));
    EXPECT_EQ(crash::culprits(*note), (std::vector<std::string>{"A.dylib", "B.dylib"}));
    std::string report = crash::crashReport(*note);
    EXPECT_NE(report.find("Signal:   11 (SIGSEGV)"), std::string::npos) << report;
    EXPECT_NE(report.find("Tweaks:   A.dylib, B.dylib"), std::string::npos) << report;
    EXPECT_NE(report.find("2025-12-08T16:45:45Z"), std::string::npos) << report;

    note->loading = "C.dylib";
    EXPECT_EQ(crash::culprits(*note), std::vector<std::string>{"C.dylib"}) << "the one being loaded is to blame";
    EXPECT_FALSE(crash::parseCrashNote("program SpringBoard\nsignal 11\n"));
    EXPECT_FALSE(crash::parseCrashNote("orvelle-crash-note 1\nprogram SpringBoard\n")) << "no signal";
    // A hostile note: a million frames are cut to what a stack can hold.
    std::string many = "orvelle-crash-note 1\nprogram X\nsignal 6\nframes";
    for (int i = 0; i < 100000; ++i) many += " 0x1";
    auto bounded = crash::parseCrashNote(many + "\n");
    ASSERT_TRUE(bounded);
    EXPECT_LE(bounded->frames.size(), 256u);
}
