// What the supervisor reads of the device's memory controller: the kernel's
// count of kills at the bound in either version's file, and a kill seen once.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "MemoryGroup.h"

namespace {

namespace fs = std::filesystem;

TEST(MemoryGroup, ReadsTheKillCountOfEitherVersionsFile) {
    // Version 2's memory.events and version 1's memory.oom_control.
    EXPECT_EQ(supervisor::oomKillCount("low 0\nhigh 0\nmax 12\noom 3\noom_kill 2\noom_group_kill 0\n"), 2);
    EXPECT_EQ(supervisor::oomKillCount("oom_kill_disable 0\nunder_oom 0\noom_kill 17\n"), 17);
    EXPECT_EQ(supervisor::oomKillCount("oom_kill 5"), 5);
    // Neither the other counters nor anything malformed counts.
    for (const char* none : {"", "oom 3\n", "oom_kill_disable 1\n", "oom_kill \n", "oom_kill x\n", "oom_kill -1\n",
                             " oom_kill 4\n", "oom_group_kill 9\n"})
        EXPECT_FALSE(supervisor::oomKillCount(none)) << none;
}

class MemoryFolder : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / ("memory-group-test-" + std::to_string(getpid()));
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
    void write(const char* name, const std::string& text) { std::ofstream(folder / name) << text; }
};

TEST_F(MemoryFolder, AKillIsSeenOnceAndKillsBeforeItsStartAreNot) {
    write("memory.oom_control", "oom_kill_disable 0\nunder_oom 0\noom_kill 4\n");
    write("memory.limit_in_bytes", "268435456\n");
    write("memory.max_usage_in_bytes", "268435456\n");
    supervisor::MemoryGroup group(folder.string());
    EXPECT_FALSE(group.killedSince()) << "kills of an earlier boot";
    write("memory.oom_control", "oom_kill_disable 0\nunder_oom 0\noom_kill 5\n");
    EXPECT_TRUE(group.killedSince());
    EXPECT_FALSE(group.killedSince()) << "the same kill told twice";
    EXPECT_EQ(group.limitBytes(), 268435456);
    EXPECT_EQ(group.peakBytes(), 268435456);
    // Version 2's names are read first.
    write("memory.events", "oom 1\noom_kill 9\n");
    write("memory.max", "max\n");
    EXPECT_TRUE(group.killedSince());
    EXPECT_EQ(group.limitBytes(), 268435456) << "\"max\" is no number: version 1's file answers";
}

TEST(MemoryGroup, NoGroupNeverTellsOfAKill) {
    supervisor::MemoryGroup none("");
    EXPECT_FALSE(none.killedSince());
    EXPECT_EQ(none.limitBytes(), 0);
    supervisor::MemoryGroup absent("/nonexistent/memory");
    EXPECT_FALSE(absent.killedSince());
    EXPECT_EQ(absent.peakBytes(), 0);
}

}  // namespace

namespace {

// A memory map with `dataMiB` of private writable memory, besides mappings
// that do not count: code, read-only data, shared memory, the stack.
std::string mapWith(unsigned long long dataMiB) {
    char line[160];
    std::string maps = "55d0c0a00000-55d0c0a10000 r-xp 00000000 08:01 123 /usr/bin/prog\n"
                       "7f0000000000-7f0040000000 rw-s 00000000 00:01 9 /dev/shm/big\n"
                       "7f0040000000-7f0080000000 r--p 00000000 08:01 77 /usr/lib/locale/archive\n"
                       "7ffc00000000-7ffc40000000 rw-p 00000000 00:00 0 [stack]\n"
                       "7f1000000000-7f1004000000 ---p 00000000 00:00 0\n";
    std::snprintf(line, sizeof line, "7f2000000000-%llx rw-p 00000000 00:00 0\n", 0x7f2000000000ULL + dataMiB * 1024 * 1024);
    return maps + line;
}

TEST(DataBound, ACrashWithItsDataAtTheBoundIsOneOfMemory) {
    constexpr unsigned long long MiB = 1024 * 1024;
    EXPECT_TRUE(supervisor::atDataBound(mapWith(316), 320 * MiB));
    EXPECT_TRUE(supervisor::atDataBound(mapWith(300), 320 * MiB)) << "within a tenth (at least 16 MiB) of it";
    EXPECT_FALSE(supervisor::atDataBound(mapWith(200), 320 * MiB)) << "the shared, read-only and stack mappings counted";
    EXPECT_FALSE(supervisor::atDataBound(mapWith(316), 0)) << "no bound";
    for (const char* bad : {"", "garbage\n", "zz-yy rw-p\n", "7f00-7e00 rw-p 0 0 0\n", "7f00-7f10 rw\n"})
        EXPECT_FALSE(supervisor::atDataBound(bad, 16 * MiB + 1)) << bad;
}

}  // namespace
