// How the keeper answers the ends of the device's programs, and the crash notes it reads.
#include <gtest/gtest.h>

#include "crash/CrashReport.h"
#include "device/CrashPolicy.h"

namespace {

double at = 1000;  // the keeper's clock, seconds

// An end of `program` after `uptime` seconds: a signal, or an exit when `exitCode` is given.
sim::ProgramEnd ending(double uptime, int signal = 6, std::vector<std::string> loaded = {"Bad.dylib"},
                      std::string program = "SpringBoard") {
    sim::ProgramEnd e;
    e.program = std::move(program);
    e.signal = signal;
    e.uptime = uptime;
    e.cameUp = uptime > 1;
    e.report = e.program + "-1.crash";
    e.culprits = std::move(loaded);
    at += uptime + 1;
    e.at = at;
    return e;
}
sim::ProgramEnd exited(double uptime, int code, bool cameUp = true) {
    sim::ProgramEnd e = ending(uptime);
    e.signal.reset();
    e.exitCode = code;
    e.cameUp = cameUp;
    return e;
}
bool everythingInstalled(const std::string&) { return true; }
bool nothingInstalled(const std::string&) { return false; }

}  // namespace

TEST(CrashPolicy, CrashesBackOffThenEndInSafeModeBlamingTheLibrariesTheyShare) {
    sim::CrashPolicy policy;
    auto first = policy.ended(ending(0.3), everythingInstalled);
    auto second = policy.ended(ending(0.3), everythingInstalled);
    EXPECT_TRUE(first.crash);
    EXPECT_FALSE(first.safe);
    EXPECT_FALSE(second.safe);
    EXPECT_DOUBLE_EQ(first.delay, 0.5);
    EXPECT_DOUBLE_EQ(second.delay, 1.0) << "each crash in a row waits longer";
    auto third = policy.ended(ending(0.3), everythingInstalled);
    EXPECT_TRUE(third.safe);
    EXPECT_TRUE(third.enteredSafeMode);
    EXPECT_DOUBLE_EQ(third.delay, 0) << "without tweaks there is no reason to wait";
    EXPECT_EQ(policy.culprits("SpringBoard"), std::vector<std::string>{"Bad.dylib"});
    EXPECT_EQ(policy.lastReport("SpringBoard"), "SpringBoard-1.crash");
    // Still crashing in safe mode: it stays there and backs off, never spins.
    auto again = policy.ended(ending(0.3), everythingInstalled);
    EXPECT_TRUE(again.safe);
    EXPECT_FALSE(again.enteredSafeMode);
    EXPECT_GT(again.delay, 1.0);
    for (int i = 0; i < 10; ++i) again = policy.ended(ending(0.3), everythingInstalled);
    EXPECT_DOUBLE_EQ(again.delay, sim::CrashPolicy::kLongestPause);
}

TEST(CrashPolicy, LateCrashesExitsAndSelfKillsAtLoadAreCrashesToo) {
    // Aborting six seconds after the start, three times: safe mode all the same.
    sim::CrashPolicy late;
    for (int i = 0; i < 3; ++i) late.ended(ending(6), everythingInstalled);
    EXPECT_TRUE(late.safe("SpringBoard"));

    // A kept program never ends by itself: an exit, even with 0, is a crash.
    sim::CrashPolicy exits;
    EXPECT_TRUE(exits.ended(exited(0.2, 0, false), everythingInstalled).crash);
    EXPECT_TRUE(exits.ended(exited(30, 0), everythingInstalled).crash);

    // A kill before it ever answered is its own doing (killed at load); after, a respring.
    sim::ProgramEnd selfKill = ending(0.2, 9);
    selfKill.cameUp = false;
    EXPECT_TRUE(sim::CrashPolicy::isCrash(selfKill));
    for (int signal : {9, 15}) {
        sim::CrashPolicy policy;
        auto d = policy.ended(ending(30, signal), everythingInstalled);
        EXPECT_FALSE(d.crash) << signal;
        EXPECT_DOUBLE_EQ(d.delay, 0) << signal;
        EXPECT_EQ(policy.crashesInARow("SpringBoard"), 0) << signal << " counted as a crash (a respring kills with 9)";
    }
    // The device's own ends are crashes whatever the signal.
    sim::ProgramEnd hung = ending(30, 6);
    hung.cause = "watchdog";
    EXPECT_TRUE(sim::CrashPolicy::isCrash(hung));
    sim::ProgramEnd memory = ending(30, 9);
    memory.cause = "memory";
    EXPECT_TRUE(sim::CrashPolicy::isCrash(memory));
}

TEST(CrashPolicy, OnlyCrashesThatShareALibraryWithinTheWindowMakeALoop) {
    sim::CrashPolicy policy;
    // Three crashes, each with another library loaded: nothing shared to blame.
    policy.ended(ending(0.3, 6, {"A.dylib"}), everythingInstalled);
    policy.ended(ending(0.3, 6, {"B.dylib"}), everythingInstalled);
    EXPECT_FALSE(policy.ended(ending(0.3, 6, {"C.dylib"}), everythingInstalled).safe);
    // The library being loaded is blamed over those loaded before it.
    sim::ProgramEnd loading = ending(0.3, 6, {"A.dylib", "B.dylib"});
    loading.loading = "Hang.dylib";
    EXPECT_EQ(sim::CrashPolicy::blamed(loading), std::vector<std::string>{"Hang.dylib"});
    // Crashes further apart than the window are no loop.
    sim::CrashPolicy spread;
    for (int i = 0; i < 3; ++i) {
        at += sim::CrashPolicy::kWindow;
        EXPECT_FALSE(spread.ended(ending(0.3), everythingInstalled).safe);
    }
    // A program that ran a while starts its backoff afresh, yet still counts towards a loop.
    sim::CrashPolicy settled;
    settled.ended(ending(0.3), everythingInstalled);
    EXPECT_DOUBLE_EQ(settled.ended(ending(sim::CrashPolicy::kSettled), everythingInstalled).delay, 0.5);
    EXPECT_TRUE(settled.ended(ending(0.3), everythingInstalled).safe);
}

TEST(CrashPolicy, EveryProgramHasItsOwnCountAndTheSameRules) {
    sim::CrashPolicy policy;
    for (int i = 0; i < 2; ++i) policy.ended(ending(0.3), everythingInstalled);
    // Another program's crashes neither add to SpringBoard's nor take from them.
    sim::RestartDecision other;
    for (int i = 0; i < 3; ++i) other = policy.ended(ending(0.3, 11, {"Bad.dylib"}, "backboardd"), everythingInstalled);
    EXPECT_TRUE(other.enteredSafeMode);
    EXPECT_TRUE(policy.safe("backboardd"));
    EXPECT_FALSE(policy.safe("SpringBoard"));
    EXPECT_EQ(policy.crashesInARow("SpringBoard"), 2);
}

TEST(CrashPolicy, SafeModeEndsWhenAskedOrWhenTheLibrariesToBlameAreGone) {
    sim::CrashPolicy policy;
    for (int i = 0; i < 3; ++i) policy.ended(ending(0.3), everythingInstalled);
    ASSERT_TRUE(policy.safe("SpringBoard"));
    // A respring while the tweak is still installed keeps safe mode.
    EXPECT_TRUE(policy.ended(ending(30, 9), everythingInstalled).safe);
    auto gone = policy.ended(ending(30, 9), nothingInstalled);
    EXPECT_FALSE(gone.safe);
    EXPECT_TRUE(gone.leftSafeMode);
    for (int i = 0; i < 3; ++i) policy.ended(ending(0.3), everythingInstalled);
    ASSERT_TRUE(policy.safe("SpringBoard"));
    policy.leaveSafeMode("SpringBoard");
    EXPECT_FALSE(policy.safe("SpringBoard"));
    EXPECT_EQ(policy.crashesInARow("SpringBoard"), 0);
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
