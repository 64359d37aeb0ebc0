// A device bounded as its profile says, tried from inside: a tweak that
// allocates without end is ended at the memory bound and reported as the
// phone reports it, the machine unharmed; a fork bomb is held at the process
// bound and the device stays usable; every program carries the open-file and
// file-size bounds; status says what bounds the device and how.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Command.h"

void setDeviceLimits(const std::string& device, long long memoryMiB, long long processes, long long openFiles,
                     long long fileSizeMiB, double cpuCores = 1);

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Limits : public ::testing::Test {
protected:
    void SetUp() override {
        setDeviceLimits(device.path(), 320, 64, 700, 8);
        markUpdateNoticeSeen(device.path());
    }
    std::string status() const { return sim({"status", device.path()}).out; }
    bool grouped() const { return status().find("limits: cgroup") != std::string::npos; }
    std::string log() const { return readFile(fs::path(device.path()) / "log/device.log"); }

    TestDevice device;
};

// The device's processes as the machine sees them: those in its PID namespace.
int processesIn(pid_t supervisor) {
    std::error_code ec;
    auto ns = fs::read_symlink("/proc/" + std::to_string(supervisor) + "/ns/pid", ec);
    if (ec) return -1;
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::error_code e;
        if (fs::read_symlink(entry.path() / "ns/pid", e) == ns) ++count;
    }
    return count;
}

pid_t supervisorOf(const std::string& status) {
    int pid = 0;
    std::sscanf(status.c_str(), "booted (supervisor pid %d)", &pid);
    return pid;
}

}  // namespace

TEST_F(Limits, StatusSaysWhatBoundsTheDeviceAndHow) {
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    std::string said = status();
    EXPECT_NE(said.find("limits: "), std::string::npos) << said;
    EXPECT_TRUE(said.find("limits: cgroup v2: memory 320 MiB, 64 processes") != std::string::npos ||
                said.find("limits: cgroup v1: memory 320 MiB, 64 processes") != std::string::npos ||
                said.find("limits: rlimits (") != std::string::npos)
        << said;
    EXPECT_NE(said.find("700 open files, files up to 8 MiB"), std::string::npos) << said;
    // The bounds every program of the device carries, the joining ones too.
    Output limits = sim({"exec", device.path(), "--", "/bin/cat", "/proc/self/limits"});
    ASSERT_EQ(limits.exitCode, 0) << limits.err;
    EXPECT_NE(limits.out.find("Max open files            700                  700"), std::string::npos) << limits.out;
    EXPECT_NE(limits.out.find("Max file size             8388608              8388608"), std::string::npos) << limits.out;
}

// Where the machine gives no control group, the same tweak meets its own
// data bound: its allocation fails, it crashes, and the report names memory.
TEST_F(Limits, WithoutAControlGroupTheTweakRunsOutAtItsOwnBoundAndTheReportSaysSo) {
    fs::copy_file(MEMORY_HOG_TWEAK, fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries/MemoryHog.dylib");
    Output booted = run({"/usr/bin/env", "ORVELLE_LIMITS=rlimits", ORVELLE_SIM, "boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    if (status().find("memory unbounded") != std::string::npos) GTEST_SKIP() << "a sanitized build: " << status();
    ASSERT_TRUE(eventually(60s, [&] { return status().find("safe mode:") != std::string::npos; }))
        << status() << logTail(device.path(), 30);
    EXPECT_NE(status().find("to blame: MemoryHog.dylib"), std::string::npos) << status();
    EXPECT_NE(log().find("ran out of memory at its bound"), std::string::npos) << logTail(device.path(), 30);
    Output reports = sim({"crashes", device.path()});
    EXPECT_NE(reports.out.find("Reason:   memory limit: its data reached the bound of 320 MiB"), std::string::npos)
        << reports.out;
}

// Two busy threads for two seconds get at most half a core's time: the
// machine keeps the rest, however busy the device.
TEST_F(Limits, AProgramTakingEveryCoreGetsTheDevicesShareOnly) {
    setDeviceLimits(device.path(), 320, 64, 700, 8, 0.5);
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    if (!grouped() || status().find("CPU not bounded") != std::string::npos) GTEST_SKIP() << "no CPU controller: " << status();
    Output burnt = sim({"exec", device.path(), "--", CPU_BURN, "2", "2"});
    ASSERT_EQ(burnt.exitCode, 0) << burnt.err;
    double cpu = std::stod(burnt.out);
    std::printf("2 busy threads for 2 s at 0.5 cores: %.2f s of CPU\n", cpu);
    EXPECT_LE(cpu, 2 * 0.5 * 1.25) << "more than half a core's time";
    EXPECT_GT(cpu, 0.2) << "the program hardly ran";
}

TEST_F(Limits, AFileWrittenPastTheBoundStopsThere) {
    Output wrote = sim({"exec", device.path(), "--", "/bin/sh", "-c",
                        "/usr/bin/head -c 64M /dev/zero > /var/mobile/big; echo $?"});
    EXPECT_NE(wrote.out, "0\n") << "64 MiB written past an 8 MiB bound";
    std::error_code ec;
    EXPECT_LE(fs::file_size(fs::path(device.path()) / "var/mobile/big", ec), 8u * 1024 * 1024);
}

TEST_F(Limits, ATweakAllocatingWithoutEndIsEndedAtTheBoundAndReportedAsMemory) {
    fs::copy_file(MEMORY_HOG_TWEAK, fs::path(device.path()) / "Library/MobileSubstrate/DynamicLibraries/MemoryHog.dylib");
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    if (!grouped()) GTEST_SKIP() << "no control group here, each program's own bound only: " << status();
    // Each start is ended at the bound; three of them make safe mode, naming the tweak.
    ASSERT_TRUE(eventually(60s, [&] { return status().find("safe mode:") != std::string::npos; }))
        << status() << logTail(device.path(), 30);
    std::string said = status();
    EXPECT_NE(said.find("to blame: MemoryHog.dylib"), std::string::npos) << said;
    EXPECT_NE(log().find("ended at the device's memory limit"), std::string::npos) << logTail(device.path(), 30);

    Output reports = sim({"crashes", device.path()});
    ASSERT_EQ(reports.exitCode, 0) << reports.err;
    EXPECT_NE(reports.out.find("Reason:   memory limit: the device's programs together passed 320 MiB"), std::string::npos)
        << reports.out;
    Output report = sim({"crashes", device.path(), reports.out.substr(0, reports.out.find('\n'))});
    EXPECT_NE(report.out.find("Tweaks:   MemoryHog.dylib"), std::string::npos) << report.out << report.err;

    // The machine held: the device never had more than its bound, and it answers in safe mode.
    std::size_t peak = reports.out.find("(the most used: ");
    ASSERT_NE(peak, std::string::npos) << reports.out;
    EXPECT_LE(std::stol(reports.out.substr(peak + 16)), 320) << reports.out;
    EXPECT_NE(sim({"dump", device.path()}).out.find("\"views\""), std::string::npos);
}

// Runs a fork bomb in the booted device: the most processes it had meanwhile,
// whether the home screen answered throughout, and the device usable after.
static void bombHeldAt(const TestDevice& device, const std::string& status, int bound) {
    pid_t supervisor = supervisorOf(status);
    ASSERT_GT(supervisor, 0) << status;
    const int before = processesIn(supervisor);

    Output bombed;
    std::atomic<bool> over{false};
    std::thread bomb([&] {
        bombed = sim({"exec", device.path(), "--", FORK_BOMB, "4"});
        over = true;
    });
    // Counted on a thread of its own for as long as the bomb runs, however
    // slowly a loaded machine starts it or answers a dump meanwhile.
    std::atomic<int> most{0};
    std::thread counter([&] {
        while (!over) {
            most = std::max(most.load(), processesIn(supervisor));
            std::this_thread::sleep_for(20ms);
        }
    });
    bool answered = false;
    // The home screen answers through the bomb: it needs no new process for that.
    while (!over && !answered) {
        answered = sim({"dump", device.path()}).out.find("\"views\"") != std::string::npos;
        std::this_thread::sleep_for(50ms);
    }
    bomb.join();
    counter.join();
    std::printf("fork bomb: at most %d processes in the device (bound %d, %d before)\n", most.load(), bound, before);
    EXPECT_GT(most.load(), before + 10) << "the bomb did not run: " << bombed.err;
    EXPECT_LE(most.load(), bound) << "past the bound of " << bound << " processes";
    EXPECT_TRUE(answered);
    EXPECT_EQ(bombed.exitCode, 0) << bombed.err;

    // Once it is over, the device starts programs again.
    ASSERT_TRUE(eventually(10s, [&] { return processesIn(supervisor) <= before + 2; })) << processesIn(supervisor);
    Output respring = sim({"respring", device.path()});
    EXPECT_EQ(respring.exitCode, 0) << respring.err;
    EXPECT_EQ(sim({"exec", device.path(), "--", "/bin/true"}).exitCode, 0);
}

TEST_F(Limits, AForkBombIsHeldAtTheProcessBoundAndTheDeviceStaysUsable) {
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    if (!grouped()) GTEST_SKIP() << "no control group here: see the case without one";
    bombHeldAt(device, status(), 64);
}

// Where the machine gives no control group, each program carries the
// bounds: a fork bomb is held all the same. The process bound is then the
// device user's, shared with every device running at the time (other tests'
// too): a wider one here.
TEST_F(Limits, WithoutAControlGroupEachProgramCarriesTheBounds) {
    setDeviceLimits(device.path(), 320, 400, 700, 8);
    Output booted = run({"/usr/bin/env", "ORVELLE_LIMITS=rlimits", ORVELLE_SIM, "boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    std::string said = status();
    EXPECT_NE(said.find("limits: rlimits (chosen by ORVELLE_LIMITS): each program: 700 open files"), std::string::npos)
        << said;
    Output limits = sim({"exec", device.path(), "--", "/bin/cat", "/proc/self/limits"});
    EXPECT_NE(limits.out.find("Max processes             400                  400"), std::string::npos) << limits.out;
    EXPECT_NE(limits.out.find("Max open files            700                  700"), std::string::npos) << limits.out;
    bombHeldAt(device, said, 400);
}
