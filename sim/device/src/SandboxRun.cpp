// A program in a device, waited for, with the terminal's stop signals passed on.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Relay.h"
#include "SandboxParts.h"
#include "device/Boot.h"
#include "device/DiskUse.h"
#include "device/Process.h"
#include "device/Keeper.h"
#include "device/Sandbox.h"
#include "wire/Failure.h"
#include "wire/LauncherInfo.h"

namespace sim {

using namespace sandbox;

namespace {

// Waits for a child, ignoring interruptions; answers its exit code.
int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 127;
    return exitCodeOf(status);
}

// The program's pid on this machine from bubblewrap's {"child-pid": N}: the
// only child of the sandbox's own first process. 0 while not known yet.
pid_t sandboxProgramPid(const std::string& info) {
    auto launched = wire::launcherChildPid(info);
    return launched ? firstChildOf(static_cast<pid_t>(*launched)) : 0;
}

// A command on a stopped device is held to the device's disk bound as a booted
// device's keeper holds its programs: once its files pass the bound (or pass
// what they took when the command began, for a command freeing a device
// already past it), the command is stopped.
class DiskWatch {
public:
    explicit DiskWatch(const Device& device) : device_(device), limits_(readProfile(device.profileFile()).limits) {
        const std::uint64_t bound = static_cast<std::uint64_t>(limits_.diskMiB) << 20;
        DiskUse start = measureDiskUse(device_, std::numeric_limits<std::uint64_t>::max());
        threshold_ = std::max(bound, start.bytes);
        unmeasurable_ = !start.stoppedBecause.empty();
        next_ = Clock::now() + after(nextDiskLook(threshold_ - start.bytes, 0));
    }
    // Milliseconds to the next look, for poll.
    int timeout() const {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 1000));
    }
    // Why the command must stop, once its time to look has come.
    std::optional<std::string> overrun() {
        const auto started = Clock::now();
        if (started < next_) return std::nullopt;
        DiskUse use = measureDiskUse(device_, threshold_);
        const double took = std::chrono::duration<double>(Clock::now() - started).count();
        next_ = Clock::now() + after(nextDiskLook(use.bytes < threshold_ ? threshold_ - use.bytes : 0, took));
        if (use.bytes > threshold_)
            return "the device's files took more than " + std::to_string((threshold_ + (1 << 20) - 1) >> 20) +
                   " MiB, past its disk bound of " + std::to_string(limits_.diskMiB) +
                   " MiB (diskLimitMiB in its profile)";
        if (!use.stoppedBecause.empty() && !unmeasurable_)
            return "the device's files cannot be held to its disk bound: " + use.stoppedBecause;
        return std::nullopt;
    }

private:
    using Clock = std::chrono::steady_clock;
    static Clock::duration after(double seconds) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }
    Device device_;
    DeviceLimits limits_;
    std::uint64_t threshold_ = 0;
    bool unmeasurable_ = false;
    Clock::time_point next_;
};

}  // namespace

namespace {

// Launches and waits, relaying the program's standard descriptors when a
// relay is given.
int runRelayed(const Device& device, const LaunchSpec& given, Relay* relay) {
    // The stop signals come to the tool through a descriptor while the program runs.
    sigset_t stops, previous;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGWINCH}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, &previous);
    struct Restore {
        sigset_t mask;
        ~Restore() { sigprocmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    Fd signals(signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK));
    if (signals.fd < 0) failWithErrno("cannot watch for Ctrl-C");
    int info[2];
    if (pipe2(info, O_CLOEXEC | O_NONBLOCK) != 0) failWithErrno("cannot make a pipe");
    Fd infoReader(info[0]), infoWriter(info[1]);

    LaunchSpec spec = given;
    spec.infoFd = infoWriter.fd;
    if (relay) relay->give(spec);
    pid_t sandbox = launch(device, spec);
    close(infoWriter.fd);
    infoWriter.fd = -1;
    if (relay) relay->launched();
    // However the wait ends, the user's terminal is left as it was.
    struct Finish {
        Relay* relay;
        ~Finish() {
            if (relay) relay->finish();
        }
    } finish{relay};

    std::string json;
    pid_t program = 0;
    std::vector<pollfd> watched;
    // A joined program is the booted device's, watched by its keeper.
    std::optional<DiskWatch> disk;
    if (spec.entry != Entry::Join) disk.emplace(device);
    for (;;) {
        watched.assign({{signals.fd, POLLIN, 0}});
        if (infoReader.fd >= 0) watched.push_back({infoReader.fd, POLLIN, 0});
        if (relay) relay->watch(watched);
        if (poll(watched.data(), watched.size(), disk ? disk->timeout() : -1) < 0 && errno != EINTR) break;
        if (disk)
            if (auto overrun = disk->overrun()) {
                // The sandbox's end takes the command and everything it started.
                kill(sandbox, SIGKILL);
                waitFor(sandbox);
                throw Failure("stopped " + spec.command.at(0) + ": " + *overrun);
            }
        if (relay) relay->handle(watched);
        if (infoReader.fd >= 0 && watched[1].revents) {
            char buffer[256];
            ssize_t n = read(infoReader.fd, buffer, sizeof buffer);
            if (n > 0) json.append(buffer, static_cast<std::size_t>(n));
            if (n == 0) {
                close(infoReader.fd);
                infoReader.fd = -1;
            }
            if (!program) program = spec.entry == Entry::Join ? sandbox : sandboxProgramPid(json);
        }
        signalfd_siginfo si{};
        while (read(signals.fd, &si, sizeof si) == sizeof si) {
            if (si.ssi_signo == SIGCHLD) continue;
            if (si.ssi_signo == SIGWINCH) {
                if (relay) relay->resized();
                continue;
            }
            // To the program itself; before it exists, to its sandbox.
            pid_t target = program ? program : spec.entry == Entry::Join ? sandbox : sandboxProgramPid(json);
            kill(target > 0 ? target : sandbox, static_cast<int>(si.ssi_signo));
        }
        int status = 0;
        pid_t done = waitpid(sandbox, &status, WNOHANG);
        if (done == sandbox) return exitCodeOf(status);
        if (done < 0 && errno != EINTR) return 127;
    }
    return waitFor(sandbox);
}

}  // namespace

int runToEnd(const Device& device, const LaunchSpec& spec) { return runRelayed(device, spec, nullptr); }

int runInDevice(const Device& device, const std::vector<std::string>& command, const std::vector<std::string>& passed,
                Shown shown) {
    Relay relay(shown);
    LaunchSpec spec;
    spec.command = command;
    spec.environment = deviceEnvironment(readProfile(device.profileFile()));
    // A terminal of a kind every program of the machine knows, not the user's.
    if (relay.terminal()) spec.environment.emplace_back("TERM", "xterm-256color");
    for (const auto& name : passed)
        if (const char* value = std::getenv(name.c_str())) spec.environment.emplace_back(name, value);
    auto state = bootState(device);
    if (state) {
        spec.entry = Entry::Join;
        spec.booted = &*state;
    } else {
        device.makeLayout();
    }
    int code = runRelayed(device, spec, &relay);
    if (shown == Shown::Logged)
        logToDevice(device, std::filesystem::path(command.at(0)).filename().string(), relay.takeLoggedLines());
    return code;
}

}  // namespace sim
