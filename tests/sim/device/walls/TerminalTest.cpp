// No terminal crosses the wall. A command run with `exec` from a terminal
// gets a terminal of the device's own: a program resident in the device that
// takes the command's descriptors holds nothing of the user's once the
// command has ended, and cannot read what the user types then.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A program on a terminal of its own (script(1)), its input written by the test.
class OnTerminal {
public:
    explicit OnTerminal(const std::string& command) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(in[1]);
            close(out[0]);
            execl("/usr/bin/script", "script", "-qec", command.c_str(), "/dev/null", nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~OnTerminal() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(input_);
        close(output_);
    }
    void type(const std::string& text) { EXPECT_EQ(write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
    // Waits (at most `deadline`) until the output holds `text`.
    bool waitFor(const std::string& text, std::chrono::milliseconds deadline) {
        auto until = std::chrono::steady_clock::now() + deadline;
        while (shown_.find(text) == std::string::npos && std::chrono::steady_clock::now() < until) {
            pollfd p{output_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char buffer[4096];
            ssize_t n = read(output_, buffer, sizeof buffer);
            if (n <= 0) break;
            shown_.append(buffer, static_cast<std::size_t>(n));
        }
        return shown_.find(text) != std::string::npos;
    }
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    const std::string& shown() const { return shown_; }

private:
    pid_t pid_ = -1;
    int input_ = -1, output_ = -1;
    std::string shown_;
};

TEST(Terminal, AResidentProgramCannotReadWhatIsTypedAfterExecReturns) {
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    // Left running by an earlier command, as a tweak or a careless script could.
    Output resident = sim({"exec", device.path(), "--", "/bin/sh", "-c",
                           std::string(TERMINAL_THIEF) + " /var/mobile/stolen 12 </dev/null >/dev/null 2>&1 &"});
    ASSERT_EQ(resident.exitCode, 0) << resident.err;

    OnTerminal user(std::string(ORVELLE_SIM) + " exec " + device.path() +
                    " -- /bin/sh -c 'test -t 0 && echo COMMAND-HAS-A-TERMINAL; sleep 2'; echo EXEC-RETURNED; sleep 4");
    ASSERT_TRUE(user.waitFor("EXEC-RETURNED", 20s)) << user.shown();
    EXPECT_NE(user.shown().find("COMMAND-HAS-A-TERMINAL"), std::string::npos) << user.shown();
    user.type("password-typed-later\n");
    EXPECT_EQ(user.wait(), 0) << user.shown();

    fs::path log = fs::path(device.path()) / "var/mobile/stolen.log";
    ASSERT_TRUE(eventually(20s, [&] { return readFile(log).find("done") != std::string::npos; })) << readFile(log);
    // It did take the command's descriptors: the wall is what kept the user's input.
    EXPECT_NE(readFile(log).find("took fd 0 of sleep"), std::string::npos) << readFile(log);
    EXPECT_EQ(readFile(fs::path(device.path()) / "var/mobile/stolen").find("password-typed-later"), std::string::npos);
}

TEST(Terminal, WithoutATerminalTheCommandGetsPipesAndItsOutputComesBack) {
    TestDevice device;
    Output piped = run({"/bin/sh", "-c",
                        "echo through-the-pipe | " + std::string(ORVELLE_SIM) + " exec " + device.path() +
                            " -- /bin/sh -c 'test -t 0 || echo no-terminal; cat; echo to-errors >&2; exit 7'"});
    EXPECT_EQ(piped.exitCode, 7) << piped.err;
    EXPECT_EQ(piped.out, "no-terminal\nthrough-the-pipe\n");
    EXPECT_EQ(piped.err, "to-errors\n");
}

}  // namespace
