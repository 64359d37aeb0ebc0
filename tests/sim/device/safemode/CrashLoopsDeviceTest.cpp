// Every way a tweak can keep its home screen from running ends in safe mode
// naming the tweak: hanging at load (the watchdog ends it), exiting or
// killing itself at load, crashing seconds after it came up. And one policy
// for every kept program: another that crashes at its start backs off, then
// starts in safe mode as the keeper decides.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string statusOf(const TestDevice& device) { return sim({"status", device.path()}).out; }

// Installs `tweak`, boots, and waits (at most `within`) for safe mode naming it.
void endsInSafeMode(const char* tweak, const std::string& name, std::chrono::seconds within, bool atLoad = true) {
    TestDevice device;
    fs::copy_file(tweak, fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries" / name);
    auto started = Clock::now();
    Output booted = sim({"boot", device.path()});
    // boot comes back once the device is up; kept from starting, it is up in safe mode and says so.
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    if (atLoad) {
        EXPECT_NE((booted.out + booted.err).find("safe mode"), std::string::npos) << booted.out << booted.err;
    }
    ASSERT_TRUE(eventually(within, [&] { return statusOf(device).find("safe mode:") != std::string::npos; }))
        << statusOf(device) << logTail(device.path(), 30);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    std::string status = statusOf(device);
    EXPECT_NE(status.find("to blame: " + name), std::string::npos) << status;
    std::printf("%s: safe mode after %lld ms\n", name.c_str(), static_cast<long long>(took.count()));
}

}  // namespace

TEST(CrashLoops, AHomeScreenHungAtLoadIsEndedByTheWatchdogThenStartsSafe) {
    endsInSafeMode(HANG_AT_LOAD_TWEAK, "HangAtLoad.dylib", 40s);
}

TEST(CrashLoops, ExitingAtLoadIsACrashAndEndsInSafeMode) { endsInSafeMode(EXIT_AT_LOAD_TWEAK, "ExitAtLoad.dylib", 20s); }

TEST(CrashLoops, KillingItselfAtLoadIsACrashAndEndsInSafeMode) {
    endsInSafeMode(KILL_AT_LOAD_TWEAK, "KillAtLoad.dylib", 20s);
}

// The supervisor reads the note of each ended program: a FIFO there held it
// for ever (no restart, no safe mode).
TEST(CrashLoops, AFifoAtTheCrashNotesPathHoldsNoReaderAndEndsInSafeMode) {
    endsInSafeMode(FIFO_NOTE_TWEAK, "FifoNote.dylib", 20s);
}

TEST(CrashLoops, CrashingSecondsAfterComingUpEndsInSafeModeAllTheSame) {
    endsInSafeMode(ABORT_LATER_TWEAK, "AbortLater.dylib", 45s, false);
}

TEST(CrashLoops, AnotherKeptProgramMeetsTheSamePolicy) {
    TestDevice device;
    Output booted = sim({"boot", device.path(), "--also", CRASH_AT_START});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    // Three crashes, each waited on longer, then the keeper's decision: safe mode.
    auto log = [&] { return readFile(fs::path(device.path()) / "log/device.log"); };
    ASSERT_TRUE(eventually(20s, [&] { return log().find("safe mode: crash_at_start crashed 3 times") != std::string::npos; }))
        << logTail(device.path(), 30);
    EXPECT_NE(log().find("while loading Crashy.dylib"), std::string::npos) << logTail(device.path(), 30);
    EXPECT_NE(log().find("a crash, starting it again in 0.50 s"), std::string::npos) << logTail(device.path(), 30);
    EXPECT_NE(log().find("a crash, starting it again in 1.00 s"), std::string::npos) << logTail(device.path(), 30);
    EXPECT_NE(log().find("with Crashy.dylib loaded"), std::string::npos) << logTail(device.path(), 30);
    EXPECT_TRUE(eventually(5s, [&] { return log().find("] in safe mode") != std::string::npos; }))
        << logTail(device.path(), 30);
    // The status tells whose loop it was; SpringBoard is untouched by it.
    std::string status = statusOf(device);
    EXPECT_NE(status.find("safe mode: crash_at_start crashed"), std::string::npos) << status;
    EXPECT_EQ(status.find("safe mode: SpringBoard"), std::string::npos) << status;
    EXPECT_TRUE(logLines(device.path(), "SpringBoard: safe mode").empty()) << logTail(device.path(), 30);
}
