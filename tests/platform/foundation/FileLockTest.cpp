// The lock beside a file that its writers take around a change.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "foundation/FileLock.h"

namespace fs = std::filesystem;

namespace {

std::string scratch() {
    return (fs::temp_directory_path() / ("file-lock-" + std::to_string(getpid()) + ".plist")).string();
}

}  // namespace

TEST(FileLock, ASecondWriterWaitsForTheFirstThenTakesIt) {
    std::string file = scratch();
    auto first = ns::FileLock::beside(file, 1);
    ASSERT_TRUE(first.ok()) << first.reason();
    std::atomic<bool> released{false};
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        released = true;
        first = ns::FileLock{};  // lets go
    });
    auto second = ns::FileLock::beside(file, 10);
    EXPECT_TRUE(second.ok()) << second.reason();
    EXPECT_TRUE(released) << "the second writer did not wait for the first";
    holder.join();
    fs::remove(file + ".lock");
}

TEST(FileLock, AWaitThatRunsOutIsAFailureNamingTheLock) {
    std::string file = scratch();
    // Another program holds it and never lets go.
    int other = open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    auto before = std::chrono::steady_clock::now();
    auto lock = ns::FileLock::beside(file, 0.3);
    ASSERT_FALSE(lock.ok());
    EXPECT_NE(lock.reason().find(file + ".lock"), std::string::npos) << lock.reason();
    EXPECT_NE(lock.reason().find("nothing was changed"), std::string::npos) << lock.reason();
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(300)) << "it did not wait";
    close(other);
    fs::remove(file + ".lock");
}
