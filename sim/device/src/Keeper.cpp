#include "device/Keeper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "device/CrashPolicy.h"
#include "device/DeviceFiles.h"
#include "device/Failure.h"
#include "foundation/FileReplace.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// Where the keeper listens and records, in the host folder.
fs::path socketPath(const Device& device) { return device.hostFolder() / "keeper.sock"; }
fs::path safeModeFile(const Device& device) { return device.hostFolder() / "safe-mode"; }

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> parts;
    std::stringstream in(list);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty() && part != "-") parts.push_back(part);
    return parts;
}

std::string join(const std::vector<std::string>& parts) {
    std::string s;
    for (const auto& p : parts) s += (s.empty() ? "" : ",") + p;
    return s.empty() ? "-" : s;
}

bool writeAll(int fd, const std::string& text) {
    return write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

class Keeper {
public:
    Keeper(const Device& device, int status, int command) : device_(device), status_(status), command_(command) {}

    [[noreturn]] void run(pid_t sandbox) {
        sandbox_ = sandbox;
        sigset_t children;
        sigemptyset(&children);
        sigaddset(&children, SIGCHLD);
        int signals = signalfd(-1, &children, SFD_CLOEXEC | SFD_NONBLOCK);
        auto ended = ns::RunLoop::main().watch(signals, ns::RunLoop::Readable, "the sandbox's end", [&](unsigned) {
            signalfd_siginfo si{};
            while (read(signals, &si, sizeof si) == sizeof si) {
            }
            if (waitpid(sandbox_, nullptr, WNOHANG) == sandbox_) finish();
        });
        auto fromSupervisor = ns::RunLoop::main().watch(status_, ns::RunLoop::Readable, "the supervisor", [&](unsigned) {
            char buffer[4096];
            ssize_t n = read(status_, buffer, sizeof buffer);
            if (n <= 0) return finishWhenSandboxEnds();
            input_.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = input_.find('\n')) != std::string::npos;) {
                heard(input_.substr(0, end));
                input_.erase(0, end + 1);
            }
            if (input_.size() > 65536) input_.clear();
        });
        listen();
        ns::RunLoop::main().run();
        finish();
    }

private:
    void heard(const std::string& line) {
        std::istringstream words(line);
        std::string verb, program, pid, culprits;
        SpringBoardEnd end;
        if (!(words >> verb >> program >> pid >> end.how >> end.uptime >> end.report >> culprits) || verb != "ended" ||
            program != "SpringBoard")
            return;
        end.culprits = split(culprits);
        DeviceFiles files(device_);
        RestartDecision d = policy_.ended(end, [&](const std::string& library) {
            return files.isFile(device_.dynamicLibrariesFolder() / library);
        });
        if (d.enteredSafeMode) {
            std::string why = "SpringBoard crashed " + std::to_string(policy_.crashesInARow()) +
                              " times in a row right after starting";
            record(SafeMode{why, join(policy_.culprits()), policy_.lastReport().empty() ? "-" : policy_.lastReport()});
            tell("say safe mode: " + why + "; starting it without tweaks (to blame: " + join(policy_.culprits()) +
                 "); orvelle-sim respring --normal leaves safe mode");
        } else if (!d.safe && fs::exists(safeModeFile(device_))) {
            forget();
            tell("say normal mode again: the libraries to blame are gone");
        }
        std::ostringstream reply;
        reply << "start SpringBoard " << (d.safe ? "safe" : "normal") << " " << d.delay;
        if (d.safe) reply << " " << join(policy_.culprits());
        tell(reply.str());
    }

    void tell(const std::string& line) { (void)writeAll(command_, line + "\n"); }

    void record(const SafeMode& s) {
        std::string text = "why " + s.why + "\nculprits " + s.culprits + "\nreport " + s.report + "\n";
        (void)ns::replaceFile(safeModeFile(device_), text);
    }
    void forget() {
        std::error_code ec;
        fs::remove(safeModeFile(device_), ec);
    }

    // The tool's requests: one line, one reply.
    void listen() {
        fs::path path = socketPath(device_);
        std::error_code ec;
        fs::remove(path, ec);
        sockaddr_un address{};
        if (path.string().size() >= sizeof address.sun_path) return;  // the tool says no keeper answers
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.string().size() + 1);
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0)
            return;
        socket_ = ns::RunLoop::main().watch(listener_, ns::RunLoop::Readable, "the keeper's socket", [this](unsigned) {
            int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) return;
            // A short line from the tool on this machine; read with a bound.
            timeval wait{2, 0};
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            char buffer[256];
            ssize_t n = read(client, buffer, sizeof buffer - 1);
            std::string request = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
            std::string reply = "error: unknown request";
            if (request.rfind("normal", 0) == 0) {
                policy_.leaveSafeMode();
                forget();
                tell("mode normal");
                tell("say normal mode asked for; SpringBoard starts with its tweaks from its next start");
                reply = "ok";
            }
            reply += "\n";
            (void)!write(client, reply.data(), reply.size());
            close(client);
        });
    }

    void finishWhenSandboxEnds() {
        if (waitpid(sandbox_, nullptr, 0) == sandbox_) finish();
    }

    [[noreturn]] void finish() {
        std::error_code ec;
        fs::remove(socketPath(device_), ec);
        forget();
        _exit(0);
    }

    Device device_;
    int status_;
    int command_;
    pid_t sandbox_ = 0;
    int listener_ = -1;
    std::string input_;
    CrashPolicy policy_;
    std::unique_ptr<ns::RunLoop::Source> socket_;
};

}  // namespace

std::optional<SafeMode> safeModeOf(const Device& device) {
    std::ifstream in(safeModeFile(device));
    if (!in) return std::nullopt;
    SafeMode s;
    std::string line;
    while (std::getline(in, line)) {
        auto space = line.find(' ');
        std::string key = line.substr(0, space), value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "why") s.why = value;
        else if (key == "culprits") s.culprits = value;
        else if (key == "report") s.report = value;
    }
    return s;
}

pid_t startKeeper(const Device& device, LaunchSpec sandbox) {
    int status[2], command[2];
    if (pipe2(status, O_CLOEXEC) != 0) failWithErrno("cannot make the keeper's pipes");
    if (pipe2(command, O_CLOEXEC) != 0) {
        close(status[0]);
        close(status[1]);
        failWithErrno("cannot make the keeper's pipes");
    }
    sigset_t children, previous;
    sigemptyset(&children);
    sigaddset(&children, SIGCHLD);
    sigprocmask(SIG_BLOCK, &children, &previous);
    pid_t keeper = fork();
    if (keeper < 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        for (int fd : {status[0], status[1], command[0], command[1]}) close(fd);
        failWithErrno("cannot start the keeper of " + device.folder().string());
    }
    if (keeper > 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        for (int fd : {status[0], status[1], command[0], command[1]}) close(fd);
        return keeper;
    }
    // The keeper: a session of its own, nothing of the tool's terminal or
    // output, and none of its other descriptors (its lock on the device above all).
    std::vector<int> keep{status[0], status[1], command[0], command[1], sandbox.infoFd, sandbox.stdinFd,
                          sandbox.stdoutFd, sandbox.stderrFd};
    std::sort(keep.begin(), keep.end());
    int from = 3;
    for (int fd : keep) {
        if (fd < from) continue;
        if (fd > from) close_range(static_cast<unsigned>(from), static_cast<unsigned>(fd - 1), 0);
        from = fd + 1;
    }
    close_range(static_cast<unsigned>(from), ~0U, 0);
    setsid();
    int devnull = open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2})
        if (devnull >= 0) dup2(devnull, fd);
    try {
        sandbox.passFds = {status[1], command[0]};
        sandbox.command.insert(sandbox.command.end(),
                               {"--keeper", std::to_string(kFirstPassedFd), std::to_string(kFirstPassedFd + 1)});
        pid_t bwrap = launch(device, sandbox);
        close(status[1]);
        close(command[0]);
        ns::ProcessScope own;  // a run loop of its own, not the tool's
        Keeper(device, status[0], command[1]).run(bwrap);
    } catch (const std::exception&) {
        _exit(1);
    }
}

void leaveSafeMode(const Device& device) {
    fs::path path = socketPath(device);
    sockaddr_un address{};
    if (path.string().size() >= sizeof address.sun_path) throw Failure("the keeper's socket path is too long: " + path.string());
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.string().size() + 1);
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval wait{5, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    if (s < 0 || connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (s >= 0) close(s);
        throw Failure("no keeper answers for " + device.folder().string() + " (is it booted?)");
    }
    std::string request = "normal\n";
    char reply[64] = {};
    bool ok = writeAll(s, request) && read(s, reply, sizeof reply - 1) > 0 && std::strncmp(reply, "ok", 2) == 0;
    close(s);
    if (!ok) throw Failure("the keeper of " + device.folder().string() + " did not take the request");
}

}  // namespace sim
