// A device's bounds as a program of it gets them: the resource limits every
// program carries, the control group it is counted in, and the groups of
// tools that ended, swept away.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "InChild.h"
#include "device/Cgroups.h"
#include "device/Limits.h"

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

sim::DeviceLimits small() { return {200, 48, 300, 0.5, 50, 4}; }

sim::Device someDevice() { return sim::Device(fs::temp_directory_path() / ("limits-test-" + std::to_string(getpid()))); }

TEST(Limits, WithoutAGroupEachProgramCarriesEveryBound) {
    test_support::inChild([] {
        setenv("ORVELLE_LIMITS", "rlimits", 1);
        sim::DeviceLimitPlan plan = sim::prepareLimits(someDevice(), small(), false);
        EXPECT_EQ(plan.mechanism(), "rlimits");
        EXPECT_TRUE(plan.cgroupFolders().empty());
        EXPECT_TRUE(plan.sandboxArguments().empty()) << "no memory controller to show the supervisor";
        std::string said = plan.describe();
        for (const char* part : {"rlimits (chosen by ORVELLE_LIMITS)", "300 open files", "files up to 4 MiB", "48 processes"})
            EXPECT_NE(said.find(part), std::string::npos) << said;
        ASSERT_EQ(plan.enter(), nullptr);
        rlimit files{}, size{}, processes{};
        getrlimit(RLIMIT_NOFILE, &files);
        getrlimit(RLIMIT_FSIZE, &size);
        getrlimit(RLIMIT_NPROC, &processes);
        EXPECT_EQ(files.rlim_cur, 300u);
        EXPECT_EQ(files.rlim_max, 300u) << "a program cannot raise its own bound";
        EXPECT_EQ(size.rlim_max, 4u * 1024 * 1024);
        EXPECT_EQ(processes.rlim_max, 48u);
        EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 10);
    });
}

TEST(Limits, ABoundAlreadyLowerThanTheProfilesStays) {
    test_support::inChild([] {
        setenv("ORVELLE_LIMITS", "rlimits", 1);
        rlimit low{100, 100};
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
        ASSERT_EQ(sim::prepareLimits(someDevice(), small(), false).enter(), nullptr);
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        EXPECT_EQ(files.rlim_max, 100u);
    });
}

// Where the machine offers control groups to this user (root here).
class Group : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ORVELLE_LIMITS");
        plan = sim::prepareLimits(device, small(), false);
        if (plan.mechanism() == "rlimits") GTEST_SKIP() << "no control groups for this user: " << plan.describe();
    }
    void TearDown() override { sim::removeDeviceCgroup(plan.cgroupFolders()); }
    sim::Device device = someDevice();
    sim::DeviceLimitPlan plan;
};

TEST_F(Group, TheGroupHoldsTheProfilesBoundsAndAProgramEntersIt) {
    ASSERT_FALSE(plan.cgroupFolders().empty());
    bool memory = false;
    for (const std::string& folder : plan.cgroupFolders()) {
        EXPECT_NE(folder.find(sim::deviceCgroupName(device, false)), std::string::npos) << folder;
        for (const char* file : {"memory.max", "memory.limit_in_bytes"})
            if (fs::exists(fs::path(folder) / file)) {
                memory = true;
                EXPECT_EQ(std::stoll(readAll(fs::path(folder) / file)), 200LL * 1024 * 1024) << folder;
            }
        if (fs::exists(fs::path(folder) / "pids.max")) {
            EXPECT_EQ(std::stoll(readAll(fs::path(folder) / "pids.max")), 48);
        }
    }
    EXPECT_TRUE(memory) << "no memory controller among the group's folders";
    auto arguments = plan.sandboxArguments();
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[2], "/run/limits/memory");
    EXPECT_NE(plan.describe().find("memory 200 MiB, 48 processes"), std::string::npos) << plan.describe();

    const std::string name = sim::deviceCgroupName(device, false);  // this tool's, not the child's
    pid_t child = fork();
    if (child == 0) {
        if (plan.enter()) _exit(2);
        std::string cgroups = readAll("/proc/self/cgroup");
        _exit(cgroups.find(name) != std::string::npos ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(Group, AGroupOfAToolThatEndedIsSweptAndAnotherInUseStays) {
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    std::vector<fs::path> stale, live;
    for (const std::string& folder : plan.cgroupFolders()) {
        fs::path base = fs::path(folder).parent_path();
        stale.push_back(base / ("device-00000000000000aa-" + std::to_string(gone)));
        live.push_back(base / ("device-00000000000000bb-" + std::to_string(getppid())));
        fs::create_directory(stale.back());
        fs::create_directory(live.back());
    }
    sim::prepareLimits(device, small(), false);
    for (const auto& f : stale) EXPECT_FALSE(fs::exists(f)) << f;
    for (const auto& f : live) {
        EXPECT_TRUE(fs::exists(f)) << f;
        fs::remove(f);
    }
}

}  // namespace
