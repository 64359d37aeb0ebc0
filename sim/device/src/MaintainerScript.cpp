#include "MaintainerScript.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "device/Boot.h"
#include "device/DeviceLog.h"
#include "device/Packages.h"
#include "device/Process.h"
#include "device/Sandbox.h"
#include "foundation/UniqueFd.h"
#include "wire/Failure.h"
#include "wire/Profile.h"

namespace sim::pkg {

using ns::UniqueFd;

namespace {

// What of a script's output is kept: its end, for the failure's last line.
constexpr std::size_t kKeptOutput = 4096;

// The last kKeptOutput bytes of what was appended, never more in memory.
class Tail {
public:
    void append(const char* bytes, std::size_t n) {
        text_.append(bytes, n);
        if (text_.size() > 2 * kKeptOutput) text_.erase(0, text_.size() - kKeptOutput);
    }
    std::string text() const { return text_.size() > kKeptOutput ? text_.substr(text_.size() - kKeptOutput) : text_; }

private:
    std::string text_;
};

// Reads what is there now, a few reads at most so that a script that
// writes without end still meets its deadline; false once every writer has
// closed it.
bool drain(int fd, Tail& tail) {
    char buffer[65536];
    for (int reads = 0; reads < 64; ++reads) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            tail.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0;  // EAGAIN: open still; 0: closed
    }
    return true;
}

// Ends `pid` and everything it started: its descendants, and the session
// each of them leads (a program of the device starts in a session of its
// own, and what it starts stays in it when its parent is gone).
void stopTree(pid_t pid) {
    const pid_t ownSession = getsid(0);
    std::set<pid_t> doomed{pid}, sessions;
    for (int round = 0; round < 3; ++round) {
        struct Entry {
            pid_t pid, parent, session;
        };
        std::vector<Entry> all;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
            std::string name = e.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream in(e.path() / "stat");
            std::string line;
            if (!std::getline(in, line) || line.rfind(')') == std::string::npos) continue;
            std::istringstream fields(line.substr(line.rfind(')') + 2));
            std::string state;
            long parent = 0, group = 0, session = 0;
            if (fields >> state >> parent >> group >> session)
                all.push_back({static_cast<pid_t>(std::stol(name)), static_cast<pid_t>(parent), static_cast<pid_t>(session)});
        }
        for (bool grew = true; grew;) {
            grew = false;
            for (const Entry& e : all) {
                if (e.pid == getpid() || doomed.count(e.pid)) continue;
                if (doomed.count(e.parent) || sessions.count(e.session)) {
                    doomed.insert(e.pid);
                    if (e.session != ownSession) sessions.insert(e.session);
                    grew = true;
                }
            }
        }
        for (pid_t p : doomed) kill(p, SIGKILL);
    }
}

std::string seconds(double s) {
    if (s == std::floor(s)) return std::to_string(static_cast<long long>(s));
    std::string text = std::to_string(s);
    text.erase(text.find_last_not_of('0') + 1);
    return text;
}

}  // namespace

std::optional<std::string> runScript(const Device& device, const std::string& package, const std::string& name,
                                     const std::string& body, const std::vector<std::string>& arguments,
                                     const ScriptRun& run) {
    const std::string what = "the " + name + " of " + package;
    int memory = memfd_create("maintainer-script", MFD_CLOEXEC);
    if (memory < 0) failWithErrno("cannot hand " + what + " to the device");
    UniqueFd script(memory);
    if (write(script.get(), body.data(), body.size()) != static_cast<ssize_t>(body.size()))
        failWithErrno("cannot hand " + what + " to the device");
    // A pipe, read as it comes: output without end costs nothing but its tail.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) failWithErrno("cannot gather the output of " + what);
    UniqueFd reader(ends[0]), writer(ends[1]);
    UniqueFd nothing(open("/dev/null", O_RDONLY | O_CLOEXEC));
    LaunchSpec spec;
    // The script is the descriptor the program gets first: the device runs
    // it as it is, with its own interpreter line, and it is never a file
    // that the device could change under the tool.
    spec.command = {"/proc/self/fd/" + std::to_string(kFirstPassedFd)};
    spec.command.insert(spec.command.end(), arguments.begin(), arguments.end());
    spec.passFds = {script.get()};
    spec.stdinFd = nothing.get();
    spec.stdoutFd = spec.stderrFd = writer.get();
    spec.workingFolder = "/";
    spec.environment = deviceEnvironment(readProfile(device.profileFile()));
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_PACKAGE", package);
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_NAME", name);
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_ARCH", deviceArchitecture());
    auto booted = bootState(device);
    if (booted) {
        spec.entry = Entry::Join;
        spec.booted = &*booted;
    } else {
        spec.entry = Entry::Fresh;
    }
    pid_t pid = launch(device, spec);
    writer = UniqueFd();
    fcntl(reader.get(), F_SETFL, O_NONBLOCK);
    if (run.started) run.started(pid);
    UniqueFd ended(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (!ended) failWithErrno("cannot watch " + what);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(run.seconds));
    Tail tail;
    bool open = true;
    int status = 0;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            stopTree(pid);
            waitpid(pid, nullptr, 0);
            return name + " of " + package + " did not end within " + seconds(run.seconds) + " s; stopped";
        }
        pollfd watched[2] = {{ended.get(), POLLIN, 0}, {reader.get(), POLLIN, 0}};
        if (poll(watched, open ? 2 : 1, static_cast<int>(std::min<long long>(left, 1000) + 1)) < 0 && errno != EINTR)
            failWithErrno("cannot watch " + what);
        if (open && watched[1].revents) open = drain(reader.get(), tail);
        if (watched[0].revents) {
            if (waitpid(pid, &status, 0) != pid) failWithErrno("cannot wait for " + what);
            // What was written before it ended; a program it left behind
            // holding the pipe is not waited for.
            if (open) drain(reader.get(), tail);
            break;
        }
    }
    int code = exitCodeOf(status);
    if (code == 0) return std::nullopt;
    std::string last = lastLine(tail.text());
    return name + " failed (exit " + std::to_string(code) + ")" + (last.empty() ? "" : ": " + last);
}

void stopLeftScript(pid_t pid, unsigned long long startTime) {
    if (pid <= 0 || startTime == 0 || processStartTime(pid) != startTime) return;
    stopTree(pid);
}

}  // namespace sim::pkg
