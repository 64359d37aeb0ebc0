// The device's files held to its disk bound, tried from inside: a program of a
// booted device writing without end gets the device stopped by its keeper, a
// command on a stopped device writing without end is stopped, a device past
// its bound does not boot until freed, and freeing it works.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "Command.h"

void setDeviceLimits(const std::string& device, long long memoryMiB, long long processes, long long openFiles,
                     long long fileSizeMiB, double cpuCores = 1);
void setDiskLimit(const std::string& device, long long diskMiB);

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr long long kBoundMiB = 48;

// Writes 4 MiB files under /var/mobile until stopped, for a minute at most.
const std::vector<std::string> kFlood{
    "/usr/bin/timeout", "60", "/bin/sh", "-c",
    "i=0; while :; do /usr/bin/head -c 4194304 /dev/zero > /var/mobile/flood.$i || exit 3; i=$((i+1)); done"};

// What the device's writable trees take on the disk, in MiB, counted as the tool counts.
double usedMiB(const fs::path& device) {
    double bytes = 0;
    for (const char* tree : {"var", "Library", "run"}) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(device / tree, ec), end; !ec && it != end; it.increment(ec)) {
            struct stat st {};
            if (lstat(it->path().c_str(), &st) == 0) bytes += static_cast<double>(st.st_blocks) * 512;
        }
    }
    return bytes / (1024 * 1024);
}

class DiskBound : public ::testing::Test {
protected:
    void SetUp() override {
        setDeviceLimits(device.path(), 320, 64, 700, 8);
        setDiskLimit(device.path(), kBoundMiB);
        markUpdateNoticeSeen(device.path());
    }
    std::string status() const { return sim({"status", device.path()}).out; }

    TestDevice device;
};

TEST_F(DiskBound, AProgramFloodingABootedDeviceGetsTheDeviceStoppedAndTheReasonSaid) {
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    EXPECT_NE(status().find("disk: "), std::string::npos) << status();
    std::vector<std::string> flood{"exec", device.path(), "--"};
    flood.insert(flood.end(), kFlood.begin(), kFlood.end());
    Output flooded = sim(flood);
    EXPECT_NE(flooded.exitCode, 0) << "the flood ran to its end: " << flooded.err;
    ASSERT_TRUE(eventually(10s, [&] { return status().rfind("shut down", 0) == 0; })) << status();
    EXPECT_NE(status().find("stopped by its keeper: its files take more than "
                            "its disk bound of 48 MiB"),
              std::string::npos)
        << status();
    EXPECT_NE(readFile(fs::path(device.path()) / "log/device.log").find("disk bound of 48 MiB"), std::string::npos)
        << logTail(device.path(), 10);
    // Stopped within a look of the watch, which looks more often as the bound nears.
    EXPECT_LT(usedMiB(device.path()), kBoundMiB + 128) << "the flood went on past the bound";

    Output refused = sim({"boot", device.path()});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("cannot boot: its files take more than its disk bound of 48 MiB (diskLimitMiB"),
              std::string::npos)
        << refused.err;

    // Freeing the device from a command on it works though it is past its bound, and it boots again.
    Output freed = sim({"exec", device.path(), "--", "/bin/sh", "-c", "/bin/rm -f /var/mobile/flood.*"});
    ASSERT_EQ(freed.exitCode, 0) << freed.err;
    Output again = sim({"boot", device.path()});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(status().find("stopped by its keeper"), std::string::npos) << status();
}

TEST_F(DiskBound, ACommandFloodingAStoppedDeviceIsStopped) {
    std::vector<std::string> flood{"exec", device.path(), "--"};
    flood.insert(flood.end(), kFlood.begin(), kFlood.end());
    Output flooded = sim(flood);
    EXPECT_NE(flooded.exitCode, 0);
    EXPECT_NE(flooded.err.find("past its disk bound of 48 MiB (diskLimitMiB in its profile)"), std::string::npos)
        << flooded.err;
    EXPECT_LT(usedMiB(device.path()), kBoundMiB + 128) << "the flood went on past the bound";
    // A command within the bound runs as before.
    Output small = sim({"exec", device.path(), "--", "/bin/sh", "-c", "/bin/rm -f /var/mobile/flood.*; echo freed"});
    EXPECT_EQ(small.exitCode, 0) << small.err;
    EXPECT_EQ(small.out, "freed\n");
}

}  // namespace
