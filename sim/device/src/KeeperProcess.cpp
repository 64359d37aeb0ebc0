#include "KeeperProcess.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "device/DeviceFiles.h"
#include "device/DiskUse.h"
#include "device/Process.h"
#include "device/KeeperRecords.h"
#include "wire/Frame.h"
#include "wire/Hello.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// A device that logs without end keeps two files of this size at most.
constexpr std::size_t kLogLimit = 4 * 1024 * 1024;
// The tool's requests are small; a few tools at once.
constexpr std::size_t kMostTools = 8;

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const auto& p : parts) s += (s.empty() ? "" : ",") + p;
    return s.empty() ? "-" : s;
}

std::string how(const wire::ProgramEnded& end) {
    if (end.cause() == "memory") return "ended at the device's memory limit";
    if (!end.cause().empty()) return "ended by its " + end.cause();
    if (end.how_case() == wire::ProgramEnded::kSignal)
        return "killed by signal " + std::to_string(end.signal()) + " (" + strsignal(end.signal()) + ")";
    return "exited with " + std::to_string(end.exit_code());
}

}  // namespace

KeeperProcess::KeeperProcess(const Device& device, const DeviceLimits& limits, ns::UniqueFd fromSupervisor,
                             ns::UniqueFd toSupervisor, ns::UniqueFd output, int log)
    : device_(device), limits_(limits), outputFd_(std::move(output)) {
    // The device log is the keeper's alone: the device never holds it.
    log_ = std::make_unique<supervisor::LogWriter>(log, device_.logFile().string(), kLogLimit);
    supervisor_ = std::make_unique<wire::Channel>(
        std::move(fromSupervisor), std::move(toSupervisor),
        wire::ChannelOptions{"the supervisor of " + device_.folder().string(), wire::kLargestRequest},
        [this](std::string frame) { heard(frame); },
        [this](const std::string&) { supervisor_.reset(); });
    wire::FromKeeper hello;
    *hello.mutable_hello() = wire::hello("orvelle-keeper");
    supervisor_->send(hello);
    outputSource_ = ns::RunLoop::main().watch(outputFd_.get(), ns::RunLoop::Readable, "the sandbox's output", [this](unsigned) {
        char buffer[8192];
        ssize_t n = ::read(outputFd_.get(), buffer, sizeof buffer);
        if (n > 0) return output_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), *log_);
        if (n == 0) {
            output_.finish(*log_);
            outputSource_.reset();
        }
    });
}

KeeperProcess::~KeeperProcess() = default;

void KeeperProcess::say(const std::string& text) { log_->line("orvelle-keeper[host]", text); }

void KeeperProcess::tell(const wire::FromKeeper& message) {
    if (supervisor_) supervisor_->send(message);
}

void KeeperProcess::heard(const std::string& frame) {
    auto message = wire::decode<wire::FromSupervisor>(frame);
    if (!message) return say("the supervisor sent " + message.reason());
    switch (message->body_case()) {
        case wire::FromSupervisor::kHello:
            if (auto spoken = wire::checkHello(message->hello()); !spoken) say(spoken.reason());
            return;
        case wire::FromSupervisor::kLog:
            return log_->line(message->log().writer(), message->log().text());
        case wire::FromSupervisor::kStarted: {
            Kept& k = programs_[message->started().program()];
            k.pid = message->started().pid();
            k.startedAt = seconds();
            k.safe = policy_.safe(message->started().program());
            k.up = false;
            return writePrograms();
        }
        case wire::FromSupervisor::kUp: {
            Kept& k = programs_[message->up().program()];
            if (k.pid != message->up().pid()) return;
            k.up = true;
            return writePrograms();
        }
        case wire::FromSupervisor::kEnded: return ended(message->ended());
        default: return;
    }
}

void KeeperProcess::ended(wire::ProgramEnded end) {
    const std::string& program = end.program();
    programs_[program].pid = 0;
    writePrograms();
    ProgramEnd facts;
    facts.program = program;
    if (end.how_case() == wire::ProgramEnded::kSignal) facts.signal = end.signal();
    if (end.how_case() == wire::ProgramEnded::kExitCode) facts.exitCode = end.exit_code();
    facts.uptime = end.uptime();
    facts.cameUp = end.came_up();
    facts.cause = end.cause();
    facts.report = end.report();
    facts.culprits.assign(end.culprits().begin(), end.culprits().end());
    facts.loading = end.loading();
    facts.at = seconds();
    DeviceFiles files(device_);
    RestartDecision d = policy_.ended(facts, [&](const std::string& library) {
        return files.isFile(device_.dynamicLibrariesFolder() / library);
    });
    const std::string who = program + "[" + std::to_string(end.pid()) + "]";
    say(who + " " + how(end) + " after " + std::to_string(static_cast<int>(end.uptime())) + " s" +
        (d.crash ? (facts.loading.empty() ? "" : " while loading " + facts.loading) +
                       "; a crash, starting it again in " + std::to_string(d.delay).substr(0, 4) + " s"
                 : "; starting it again"));
    if (d.enteredSafeMode) {
        const std::string why = program + " crashed " + std::to_string(CrashPolicy::kCrashesForSafeMode) +
                                " times in a row with " + joined(policy_.culprits(program)) + " loaded";
        wire::SafeModeRecord record;
        record.set_program(program);
        record.set_why(why);
        for (const auto& c : policy_.culprits(program)) record.add_culprits(c);
        record.set_report(policy_.lastReport(program).empty() ? "-" : policy_.lastReport(program));
        if (auto written = writeSafeModeRecord(device_, record); !written) say(written.reason());
        say("safe mode: " + why + "; starting it without tweaks; orvelle-sim respring --normal leaves safe mode");
    } else if (d.leftSafeMode) {
        forgetSafeModeRecord(device_);
        say("normal mode again: the libraries to blame are gone");
    }
    wire::FromKeeper start;
    wire::StartProgram& s = *start.mutable_start();
    s.set_program(program);
    s.set_delay(d.delay);
    s.set_safe(d.safe);
    for (const auto& c : policy_.culprits(program)) s.add_culprits(c);
    tell(start);
}

void KeeperProcess::writePrograms() {
    wire::ProgramList list;
    for (const auto& [name, kept] : programs_) {
        if (kept.pid <= 0) continue;
        wire::Program& p = *list.add_programs();
        p.set_name(name);
        p.set_pid(kept.pid);
        p.set_safe(kept.safe);
        p.set_up(kept.up);
    }
    if (auto written = writeProgramList(device_, list); !written) say(written.reason());
}

// The device's files measured on a steady beat: a device past its disk bound
// is stopped whole, as a phone whose disk is full stops being usable, and
// says why in its log and in `status`.
void KeeperProcess::watchDisk(double delay) {
    diskWatch_ = ns::Timer::after(delay, "the device's disk", [this] {
        const double started = seconds();
        std::uint64_t headroom = 0;
        auto overrun = diskOverrun(device_, limits_, &headroom);
        if (!overrun) return watchDisk(nextDiskLook(headroom, seconds() - started));
        const std::string why = "stopped by its keeper: " + *overrun;
        say(why);
        wire::StopRecord record;
        record.set_why(why);
        if (auto written = writeStopRecord(device_, record); !written) say(written.reason());
        // The supervisor is the first process of the device: its end ends every other.
        if (pid_t first = firstChildOf(sandbox_); first > 0) kill(first, SIGKILL);
        kill(sandbox_, SIGKILL);
    });
}

// The tool's requests, on the keeper's socket in the host folder.
void KeeperProcess::listen() {
    fs::path path = device_.hostFolder() / "keeper.sock";
    std::error_code ec;
    fs::remove(path, ec);
    sockaddr_un address{};
    if (path.string().size() >= sizeof address.sun_path) return say("the keeper's socket path is too long: " + path.string());
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.string().size() + 1);
    listener_ = ns::UniqueFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 4) != 0)
        return say("the keeper cannot listen on " + path.string() + ": " + std::strerror(errno));
    listening_ = ns::RunLoop::main().watch(listener_.get(), ns::RunLoop::Readable, "the keeper's socket", [this](unsigned) {
        int fd = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        if (tools_.size() >= kMostTools) return (void)::close(fd);
        toolConnected(fd);
    });
}

void KeeperProcess::toolConnected(int fd) {
    int key = ++nextTool_;
    tools_[key] = std::make_unique<wire::Channel>(
        ns::UniqueFd(fd), wire::ChannelOptions{"a tool", wire::kLargestRequest},
        [this, key](std::string frame) { toolAsked(key, frame); },
        [this, key](const std::string&) {
            // Let go once the channel's own call is over.
            ns::RunLoop::main().perform([this, key] { tools_.erase(key); });
        });
}

void KeeperProcess::toolAsked(int key, const std::string& frame) {
    auto it = tools_.find(key);
    if (it == tools_.end()) return;
    auto request = wire::decode<wire::ToKeeper>(frame);
    wire::KeeperAnswer answer;
    if (!request) {
        answer.mutable_failure()->set_kind(wire::Failure::BAD_REQUEST);
        answer.mutable_failure()->set_reason(request.reason());
    } else if (request->has_hello()) {
        if (auto spoken = wire::checkHello(request->hello()); !spoken) {
            answer.mutable_failure()->set_kind(wire::Failure::BAD_REQUEST);
            answer.mutable_failure()->set_reason(spoken.reason());
        } else {
            *answer.mutable_hello() = wire::hello("orvelle-keeper");
        }
    } else if (request->has_leave_safe_mode()) {
        for (const auto& [name, kept] : programs_) policy_.leaveSafeMode(name);
        forgetSafeModeRecord(device_);
        say("normal mode asked for; every program starts with its tweaks from its next start");
        answer.mutable_done();
    } else if (request->has_log()) {
        log_->line(request->log().writer(), request->log().text());
        answer.mutable_done();
    } else {
        answer.mutable_failure()->set_kind(wire::Failure::UNKNOWN);
        answer.mutable_failure()->set_reason("the keeper has no such request");
    }
    it->second->send(answer);
}

void KeeperProcess::run(pid_t sandbox) {
    sandbox_ = sandbox;
    sigset_t children;
    sigemptyset(&children);
    sigaddset(&children, SIGCHLD);
    int signals = signalfd(-1, &children, SFD_CLOEXEC | SFD_NONBLOCK);
    auto ended = ns::RunLoop::main().watch(signals, ns::RunLoop::Readable, "the sandbox's end", [&](unsigned) {
        signalfd_siginfo si{};
        while (::read(signals, &si, sizeof si) == sizeof si) {
        }
        if (waitpid(sandbox_, nullptr, WNOHANG) == sandbox_) finish();
    });
    listen();
    watchDisk(nextDiskLook(0, 0));
    ns::RunLoop::main().run();
    finish();
}

void KeeperProcess::finish() {
    // What the sandbox said last reaches the log.
    char buffer[8192];
    ssize_t n;
    while (outputFd_ && (n = ::read(outputFd_.get(), buffer, sizeof buffer)) > 0)
        output_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), *log_);
    output_.finish(*log_);
    std::error_code ec;
    fs::remove(device_.hostFolder() / "keeper.sock", ec);
    forgetSafeModeRecord(device_);
    wire::ProgramList none;
    (void)writeProgramList(device_, none);
    _exit(0);
}

}  // namespace sim
