// A shutdown ends what the device's boot started and nothing else: a pid the
// keeper left, now another program's, is neither waited on nor killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Command.h"
#include "wire/keeper.pb.h"

namespace {

using namespace std::chrono_literals;

TEST(Shutdown, APidTheKeeperLeftIsNotAnotherProgramsEnd) {
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;

    // A program of the machine that got the keeper's pid after it, as a small pid range allows.
    pid_t bystander = fork();
    if (bystander == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(bystander, 0);
    // The tool's record of the boot, in the host folder no device program sees.
    const std::filesystem::path file = std::filesystem::path(device.path()) / "host/boot.state";
    wire::BootRecord record;
    ASSERT_TRUE(record.ParseFromString(readFile(file))) << file;
    const pid_t keeper = record.keeper();
    ASSERT_GT(keeper, 0);
    record.set_keeper(bystander);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << record.SerializeAsString();

    Output down = sim({"shutdown", device.path()});
    EXPECT_EQ(down.exitCode, 0) << down.err;
    int status = 0;
    EXPECT_EQ(waitpid(bystander, &status, WNOHANG), 0) << "the bystander was ended by the shutdown";
    kill(bystander, SIGKILL);
    waitpid(bystander, &status, 0);
    // The device's own keeper ends by itself once its sandbox has.
    EXPECT_TRUE(eventually(10s, [&] { return kill(keeper, 0) != 0; })) << "keeper " << keeper << " is still there";
}

}  // namespace
