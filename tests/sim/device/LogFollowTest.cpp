// The device log is followed across its rotation.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Command.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(LogFollow, FollowsTheLogAcrossARotation) {
    TestDevice device;
    fs::path log = fs::path(device.path()) / "log/device.log";
    { std::ofstream(log) << "before the rotation\n"; }
    // The follower's output, read as it comes.
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t follower = fork();
    if (follower == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl(ORVELLE_SIM, ORVELLE_SIM, "log", device.path().c_str(), "--follow", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    std::string seen;
    auto saw = [&](const std::string& text) {
        return eventually(10s, [&] {
            char buffer[4096];
            ssize_t n;
            while ((n = read(out[0], buffer, sizeof buffer)) > 0) seen.append(buffer, static_cast<std::size_t>(n));
            return seen.find(text) != std::string::npos;
        });
    };
    EXPECT_TRUE(saw("before the rotation")) << seen;
    { std::ofstream(log, std::ios::app) << "last line of the old log\n"; }
    fs::rename(log, fs::path(log.string() + ".1"));
    { std::ofstream(log) << "first line of the new log\n"; }
    EXPECT_TRUE(saw("last line of the old log")) << seen;
    EXPECT_TRUE(saw("first line of the new log")) << seen;
    { std::ofstream(log, std::ios::app) << "and one more\n"; }
    EXPECT_TRUE(saw("and one more")) << seen;
    kill(follower, SIGTERM);
    waitpid(follower, nullptr, 0);
    close(out[0]);
}

TEST(ConcurrentChanges, TheSettingsAppAndTheToolChangingAtOnceLoseNothing) {
    TestDevice device;
    constexpr int kToolChanges = 60, kAppChanges = 12;
    int failures = 0;
    std::thread tool([&] {
        for (int i = 0; i < kToolChanges; ++i)
            failures += sim({"settings", device.path(), "set", "k" + std::to_string(i), "1", "--type", "int"}).exitCode != 0;
    });
    std::thread app([&] {
        // Through the pane's own code, in the device's Settings program.
        for (int i = 0; i < kAppChanges; ++i)
            failures += sim({"prefs", device.path(), "set", "subTitle", "t" + std::to_string(i)}).exitCode != 0;
    });
    tool.join();
    app.join();
    EXPECT_EQ(failures, 0);
    Output shown = sim({"settings", device.path(), "show"});
    int found = 0;
    for (int i = 0; i < kToolChanges; ++i) found += shown.out.find("k" + std::to_string(i) + " = 1\n") != std::string::npos;
    EXPECT_EQ(found, kToolChanges) << "the Settings app wrote over the tool's changes";
    EXPECT_NE(shown.out.find("subTitle = t" + std::to_string(kAppChanges - 1) + "\n"), std::string::npos) << shown.out;
}
