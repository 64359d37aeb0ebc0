// The pane's commands run inside a sandbox of their own (new PID namespace,
// private /var and /tmp), so the absolute paths they use are real and a kill
// reaches only the sandbox's processes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Commands.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pane-commands-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root / "tmp");
        fs::create_directories(preferences());
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path preferences() const { return root / "var/mobile/Library/Preferences"; }
    void touch(const char* name) { std::ofstream(preferences() / name) << "<plist/>"; }

    // Runs the runner in the sandbox; `fakes` replaces killall and rm with the recorder.
    std::string run(const std::string& args, bool fakes) {
        std::string cmd = "bwrap --dev-bind / / --unshare-pid --proc /proc --bind " + (root / "var").string() +
                          " /var --bind " + (root / "tmp").string() + " /tmp";
        // The build may itself lie under /tmp, which the line above covers.
        std::string build = fs::path(COMMAND_RUNNER).parent_path().parent_path().string();
        cmd += " --ro-bind " + build + " " + build;
        if (fakes)
            cmd += std::string(" --ro-bind ") + ARGV_RECORDER + " /usr/bin/killall --ro-bind " + ARGV_RECORDER +
                   " /usr/bin/rm";
        cmd += std::string(" -- ") + COMMAND_RUNNER + " " + args + " 2>&1";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return "popen failed";
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        status = pclose(p);
        return out;
    }
    std::string recorded() { return readFile(root / "tmp/argv.log"); }

    fs::path root;
    int status = 0;
};

TEST_F(CommandTest, RespringKillsBothInOneRunWithTheExactVector) {
    std::string out = run("respring", true);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "result pid\n");
    EXPECT_EQ(recorded(), "/usr/bin/killall|env=0|killall|-9|SpringBoard|backboardd\n");
}

TEST_F(CommandTest, ResetRemovesWeatherThenClockThenResprings) {
    run("reset", true);
    EXPECT_EQ(recorded(),
              "/bin/rm|env=0|rm|-rfv|/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist|"
              "/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist\n"
              "/usr/bin/killall|env=0|killall|-9|SpringBoard|backboardd\n");
}

TEST_F(CommandTest, ResetWithBothOneOrNeitherPositionFileStillResprings) {
    // Stand-ins of the two programs, as the sandbox sees them in its /tmp.
    fs::copy_file("/usr/bin/sleep", root / "tmp/SpringBoard");
    fs::copy_file("/usr/bin/sleep", root / "tmp/backboardd");
    const std::string live = " /tmp/SpringBoard /tmp/backboardd";
    const std::string killed = "SpringBoard signal 9\nbackboardd signal 9\n";
    const std::string clockGone = "removed '/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist'\n";
    const std::string weatherGone = "removed '/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist'\n";

    touch("com.tovik.orvelleClock.plist");
    touch("com.tovik.orvelleWeather.plist");
    touch("com.tovik.orvelle.plist");
    EXPECT_EQ(run("reset" + live, false), weatherGone + clockGone + "result pid\n" + killed) << "status " << status;
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleClock.plist"));
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleWeather.plist"));
    EXPECT_TRUE(fs::exists(preferences() / "com.tovik.orvelle.plist")) << "the settings themselves stay";

    touch("com.tovik.orvelleClock.plist");
    EXPECT_EQ(run("reset" + live, false), clockGone + "result pid\n" + killed);
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleClock.plist"));

    EXPECT_EQ(run("reset" + live, false), "result pid\n" + killed);
}

TEST(ExecCommand, AnswersTheChildAfterItEnded) {
    char t[] = "true";
    char* const argv[] = {t, nullptr};
    int result = orvellepb::execCommand("/bin/true", argv);
    EXPECT_GT(result, 0);
    // Waited on already: nothing is left to reap.
    EXPECT_EQ(waitpid(result, nullptr, WNOHANG), -1);
}

TEST(ExecCommand, AFailedStartWaitsOnNothing) {
    // A child of our own that is still running must not be what a failed start waits for.
    pid_t other = fork();
    if (other == 0) {
        pause();
        _exit(0);
    }
    char x[] = "x";
    char* const argv[] = {x, nullptr};
    EXPECT_EQ(orvellepb::execCommand("/nonexistent/program", argv), -1);
    EXPECT_EQ(waitpid(other, nullptr, WNOHANG), 0) << "the other child was reaped";
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
}

}  // namespace
