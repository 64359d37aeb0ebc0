// The device log is followed across its rotation.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// The moment the tool has made the settings' lock file, before it is the
// device user's, the Settings app may take the lock too: it needs only to
// read the file. (Run as root, the tool and the device are two users.)
TEST(ConcurrentChanges, TheSettingsAppTakesALockFileTheToolHasJustMade) {
    if (geteuid() != 0) GTEST_SKIP() << "the tool and the device are one user";
    TestDevice device;
    fs::path lock = fs::path(device.path()) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist.lock";
    { std::ofstream(lock) << ""; }
    fs::permissions(lock, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    Output set = sim({"prefs", device.path(), "set", "subTitle", "locked"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(sim({"settings", device.path(), "show"}).out.find("subTitle = locked\n"), std::string::npos);

    // The tool's own new lock is the device user's from the start.
    fs::remove(lock);
    ASSERT_EQ(sim({"settings", device.path(), "set", "k", "1", "--type", "int"}).exitCode, 0);
    struct stat st {};
    ASSERT_EQ(stat(lock.c_str(), &st), 0);
    EXPECT_NE(st.st_uid, 0u) << "the lock is root's";
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(ConcurrentChanges, TheSettingsAppAndTheToolChangingAtOnceLoseNothing) {
    TestDevice device;
    constexpr int kToolChanges = 60, kAppChanges = 12;
    // Each command that failed, with what it said.
    std::mutex mutex;
    std::vector<std::string> failed;
    auto change = [&](const std::vector<std::string>& words) {
        Output out = sim(words);
        if (out.exitCode == 0) return;
        std::string said = "orvelle-sim";
        for (const std::string& w : words) said += " " + w;
        said += " (exit " + std::to_string(out.exitCode) + "): " + out.err.substr(0, 400) + out.out.substr(0, 200);
        std::lock_guard hold(mutex);
        failed.push_back(said);
    };
    std::thread tool([&] {
        for (int i = 0; i < kToolChanges; ++i)
            change({"settings", device.path(), "set", "k" + std::to_string(i), "1", "--type", "int"});
    });
    std::thread app([&] {
        // Through the pane's own code, in the device's Settings program.
        for (int i = 0; i < kAppChanges; ++i) change({"prefs", device.path(), "set", "subTitle", "t" + std::to_string(i)});
    });
    tool.join();
    app.join();
    EXPECT_EQ(failed, std::vector<std::string>{});
    Output shown = sim({"settings", device.path(), "show"});
    int found = 0;
    for (int i = 0; i < kToolChanges; ++i) found += shown.out.find("k" + std::to_string(i) + " = 1\n") != std::string::npos;
    EXPECT_EQ(found, kToolChanges) << "the Settings app wrote over the tool's changes";
    EXPECT_NE(shown.out.find("subTitle = t" + std::to_string(kAppChanges - 1) + "\n"), std::string::npos) << shown.out;
}
