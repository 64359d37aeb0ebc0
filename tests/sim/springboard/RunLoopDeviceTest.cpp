// The home screen's run loop on booted devices: it sleeps while nothing is
// due, with no thread that only waits, and a timer that throws is logged and
// the program goes on.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A field of /proc/PID/status, read inside the device.
long statusField(const std::string& device, int pid, const std::string& field) {
    Output out = sim({"exec", device, "--", "/bin/cat", "/proc/" + std::to_string(pid) + "/status"});
    std::istringstream in(out.out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Wakes a second: voluntary context switches of SpringBoard over a few seconds.
double wakesPerSecond(const std::string& device, int pid) {
    long before = statusField(device, pid, "voluntary_ctxt_switches");
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(5s);
    long after = statusField(device, pid, "voluntary_ctxt_switches");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(before, 0);
    return static_cast<double>(after - before) / seconds;
}

void idleDevice(const std::vector<std::string>& bootOptions) {
    TestDevice device;
    for (auto [key, value] : {std::pair{"enableOVS", "true"}, std::pair{"disFlashing", "true"}})
        ASSERT_EQ(sim({"settings", device.path(), "set", key, value, "--type", "bool"}).exitCode, 0);
    markUpdateNoticeSeen(device.path());
    std::vector<std::string> boot{"boot", device.path()};
    boot.insert(boot.end(), bootOptions.begin(), bootOptions.end());
    Output booted = sim(boot);
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    std::this_thread::sleep_for(1s);  // past the start's own work
    int springBoard = device.pidOf("SpringBoard");
    ASSERT_GT(springBoard, 0);
    double wakes = wakesPerSecond(device.path(), springBoard);
    // The panel's three labels tick once a second, together; nothing else moves.
    EXPECT_LE(wakes, 4.0) << "SpringBoard woke " << wakes << " times a second on a still screen";
    EXPECT_EQ(statusField(device.path(), springBoard, "Threads"), 1) << "a thread of SpringBoard only waits";
    EXPECT_EQ(statusField(device.path(), 1, "Threads"), 1) << "a thread of the supervisor only waits";
}

}  // namespace

TEST(RunLoopOnDevice, AStillScreenLetsSpringBoardSleep) { idleDevice({}); }

TEST(RunLoopOnDevice, ADeviceBootedAtAGivenTimeSleepsToo) { idleDevice({"--time", "2026-12-08T21:05:00"}); }

TEST(RunLoopOnDevice, ATimerThatThrowsIsLoggedAndSpringBoardGoesOn) {
    TestDevice device;
    ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
    markUpdateNoticeSeen(device.path());
    fs::path tweaks = fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries";
    fs::copy_file(THROWING_TIMER_TWEAK, tweaks / "ThrowingTimer.dylib");
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    int before = device.pidOf("SpringBoard");
    const std::string line = "RunLoop: timer -[ThrowingTimerProbe tick:] threw: the probe's timer failed on purpose; "
                             "the run loop goes on";
    EXPECT_TRUE(eventually(10s, [&] { return logLines(device.path(), line).size() >= 3; }))
        << "the timer did not keep firing; log:\n" << readFile(fs::path(device.path()) / "log/device.log");
    EXPECT_EQ(device.pidOf("SpringBoard"), before) << "SpringBoard was restarted";
    Output dump = sim({"dump", device.path()});
    EXPECT_EQ(dump.exitCode, 0) << "SpringBoard no longer answers: " << dump.err;
}
