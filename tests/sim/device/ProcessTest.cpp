// Running the tool's helper programs: output gathered apart, nothing stuck on a
// full pipe, blocked signals not handed on, and files replaced whole.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "wire/Failure.h"
#include "device/FileCopy.h"
#include "device/Process.h"

namespace {

namespace fs = std::filesystem;

TEST(CaptureProgram, KeepsOutputAndErrorApartWithTheExitCode) {
    sim::Captured run = sim::captureProgram({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(run.out, "out\n");
    EXPECT_EQ(run.err, "err\n");
    EXPECT_EQ(run.exitCode, 3);
}

TEST(CaptureProgram, LargeOutputOnBothStreamsDoesNotStall) {
    // Far more than a pipe holds, on both streams at once.
    sim::Captured run = sim::captureProgram(
        {"/bin/sh", "-c", "head -c 300000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero | tr '\\0' b >&2"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.size(), 300000u);
    EXPECT_EQ(run.err.size(), 300000u);
    EXPECT_EQ(run.out.find_first_not_of('a'), std::string::npos);
}

TEST(CaptureProgram, StandardInputIsEmptyAndSignalsAreNotInheritedBlocked) {
    sigset_t interrupts, before;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupts, &before);
    sim::Captured run = sim::captureProgram({"/bin/sh", "-c", "cat; grep SigBlk /proc/self/status"});
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    EXPECT_EQ(run.exitCode, 0);
    // Nothing came from standard input, and no signal is blocked in the program.
    EXPECT_EQ(run.out, "SigBlk:\t0000000000000000\n");
}

TEST(CaptureProgram, AProgramThatCannotStartFailsWithItsName) {
    try {
        sim::captureProgram({"/nonexistent/program"});
        FAIL() << "no failure";
    } catch (const sim::Failure& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/program"), std::string::npos) << e.what();
    }
}

TEST(InstallFile, ReplacesWholeMakesTheFolderAndLeavesTheTargetOnFailure) {
    fs::path dir = fs::temp_directory_path() / ("install-test-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "device");
    sim::DeviceFiles device{sim::Device(dir / "device")};
    std::ofstream(dir / "from") << "new";
    sim::installFile(device, dir / "from", "Library/sub/folder/to");
    std::ifstream in(dir / "device/Library/sub/folder/to");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "new");

    std::ofstream(dir / "device/kept") << "old";
    EXPECT_THROW(sim::installFile(device, dir / "missing", "kept"), sim::Failure);
    std::ifstream kept(dir / "device/kept");
    std::string content;
    kept >> content;
    EXPECT_EQ(content, "old");
    // No partial file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "device"), fs::directory_iterator{}), 2);
    fs::remove_all(dir);
}

}  // namespace
