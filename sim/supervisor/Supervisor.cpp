#include "Supervisor.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EndFacts.h"

namespace supervisor {

namespace {

using Clock = std::chrono::steady_clock;

// A program that cannot be started is tried again after this.
constexpr double kStartAgain = 0.5;
// How long a program waits for the keeper's word before it starts again on its own.
constexpr double kKeeperWait = 2;
constexpr double kOnItsOwn = 1;
// A hung program ended by the watchdog has this long to leave its note.
constexpr double kNoteGrace = 2;
constexpr auto kStopGrace = std::chrono::seconds(3);

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exited with " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                    strsignal(WTERMSIG(status)) + ")";
    return "ended";
}

}  // namespace

Supervisor::Supervisor(std::vector<ProgramSpec> programs, SupervisorOptions options)
    : options_(std::move(options)),
      keeper_(options_.keeperStatus, options_.keeperCommand, [this](const wire::StartProgram& s) { fromKeeper(s); }),
      memory_(options_.memoryGroup) {
    for (auto& spec : programs) {
        auto running = std::make_unique<Running>();
        running->spec = std::move(spec);
        programs_.push_back(std::move(running));
    }
}

void Supervisor::say(const std::string& text) { keeper_.log("orvelle-supervisor[" + std::to_string(getpid()) + "]", text); }

Supervisor::Running* Supervisor::find(const std::string& name) {
    for (auto& p : programs_)
        if (p->spec.name == name) return p.get();
    return nullptr;
}

void Supervisor::startLater(Running& program, double seconds) {
    Running* p = &program;
    program.restart = ns::Timer::after(seconds, "start " + program.spec.name, [this, p] { start(*p); });
}

void Supervisor::start(Running& program) {
    program.restart.cancel();
    program.keeperWait.cancel();
    if (stopping_ || program.pid > 0) return;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        say("cannot make a pipe for " + program.spec.name + ": " + strerror(errno) + "; trying again");
        return startLater(program, kStartAgain);
    }
    pid_t pid = fork();
    if (pid < 0) {
        say("cannot start " + program.spec.name + ": " + strerror(errno) + "; trying again");
        close(out[0]);
        close(out[1]);
        return startLater(program, kStartAgain);
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        std::vector<char*> argv{program.spec.name.data()};
        for (auto& a : program.arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.spec.path.c_str(), argv.data());
        dprintf(2, "cannot run %s: %s\n", program.spec.path.c_str(), strerror(errno));
        _exit(127);
    }
    close(out[1]);
    program.pid = pid;
    program.started = Clock::now();
    program.cameUp = false;
    program.cause.clear();
    int fd = out[0];
    Output& output = outputs_[fd];
    output.splitter = std::make_unique<LineSplitter>(program.spec.name + "[" + std::to_string(pid) + "]");
    output.source = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "output of " + program.spec.name,
                                              [this, fd](unsigned) { readOutput(fd); });
    say("started " + program.spec.name + "[" + std::to_string(pid) + "]" +
        (program.arguments.empty() ? "" : " in safe mode"));
    keeper_.started(program.spec.name, pid);
    if (!program.spec.controlSocket.empty()) {
        Running* p = &program;
        program.watchdog = std::make_unique<Watchdog>(
            program.spec.name, program.spec.controlSocket,
            [this, p] {
                p->cameUp = true;
                keeper_.up(p->spec.name, p->pid);
            },
            [this, p](double waited) { hung(*p, waited); });
    }
}

// The watchdog's verdict: ended with a note of where it hung, by force if it must.
void Supervisor::hung(Running& program, double waited) {
    if (program.pid <= 0 || !program.cause.empty()) return;
    program.cause = "watchdog";
    say("watchdog: " + program.spec.name + "[" + std::to_string(program.pid) + "] did not answer within " +
        std::to_string(static_cast<int>(waited + 0.5)) + " s; ending it");
    kill(program.pid, SIGABRT);
    pid_t pid = program.pid;
    Running* p = &program;
    program.forceKill = ns::Timer::after(kNoteGrace, "the end of a hung " + program.spec.name, [p, pid] {
        if (p->pid == pid) kill(pid, SIGKILL);
    });
}

void Supervisor::reap() {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        for (auto& p : programs_) {
            if (p->pid != pid) continue;
            p->pid = 0;
            p->watchdog.reset();
            p->forceKill.cancel();
            say(p->spec.name + "[" + std::to_string(pid) + "] " + describeStatus(status));
            if (stopping_) {
                bool anyLeft = false;
                for (const auto& q : programs_) anyLeft = anyLeft || q->pid > 0;
                if (!anyLeft) ns::RunLoop::main().stop();  // stopAll waits no longer
                break;
            }
            ended(*p, pid, status);
        }
    }
}

void Supervisor::ended(Running& program, pid_t pid, int status) {
    // The kernel's kill at the device's memory bound looks like any kill; its count tells.
    bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (memory_.killedSince() && killed && program.cause.empty()) {
        program.cause = "memory";
        say(program.spec.name + "[" + std::to_string(pid) + "] was ended at the device's memory limit");
    }
    Lived lived{program.spec.name, pid, status,
                std::chrono::duration<double>(Clock::now() - program.started).count(), program.cameUp, program.cause};
    if (program.cause == "memory") {
        lived.memoryLimit = memory_.limitBytes();
        lived.memoryPeak = memory_.peakBytes();
    }
    wire::ProgramEnded end = endFacts(lived, options_.crashFolder, options_.runFolder, [this](const std::string& t) { say(t); });
    program.arguments.clear();
    if (!keeper_.connected()) return startLater(program, kOnItsOwn);
    keeper_.ended(end);
    // The keeper decides; without its word in time, it starts again on its own.
    Running* p = &program;
    program.keeperWait = ns::Timer::after(kKeeperWait, "the keeper's word on " + program.spec.name, [this, p] {
        say("the keeper did not answer; starting " + p->spec.name + " again");
        startLater(*p, kOnItsOwn);
    });
}

void Supervisor::fromKeeper(const wire::StartProgram& s) {
    Running* program = find(s.program());
    if (!program || program->pid > 0) return;
    program->keeperWait.cancel();
    program->arguments.clear();
    if (s.safe()) {
        std::string culprits;
        for (const auto& c : s.culprits()) culprits += (culprits.empty() ? "" : ",") + c;
        program->arguments = {"--safe-mode", culprits.empty() ? "-" : culprits};
    }
    double delay = s.delay();
    if (!(delay >= 0 && delay <= 60)) delay = kOnItsOwn;
    startLater(*program, delay);
}

void Supervisor::readOutput(int fd) {
    char buffer[8192];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    auto& output = outputs_.at(fd);
    if (n > 0) {
        output.splitter->feed(std::string_view(buffer, static_cast<std::size_t>(n)), keeper_.lines());
        return;
    }
    // Every writer (the program and whatever it started) has closed it.
    output.splitter->finish(keeper_.lines());
    outputs_.erase(fd);
    close(fd);
}

// What is still in the pipes once every writer is gone.
void Supervisor::drainOutputs() {
    while (!outputs_.empty()) {
        int fd = outputs_.begin()->first;
        int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        char buffer[8192];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            outputs_.at(fd).splitter->feed(std::string_view(buffer, static_cast<std::size_t>(n)), keeper_.lines());
        outputs_.at(fd).splitter->finish(keeper_.lines());
        outputs_.erase(fd);
        close(fd);
    }
}

void Supervisor::stopAll() {
    stopping_ = true;
    for (auto& p : programs_) {
        p->restart.cancel();
        p->keeperWait.cancel();
        p->watchdog.reset();
        if (p->pid > 0) kill(p->pid, SIGTERM);
    }
    // The loop keeps reading their output and reaping them, up to the grace time.
    auto anyRunning = [&] {
        for (const auto& p : programs_)
            if (p->pid > 0) return true;
        return false;
    };
    auto deadline = Clock::now() + kStopGrace;
    while (anyRunning() && Clock::now() < deadline)
        ns::RunLoop::main().run(std::chrono::duration<double>(deadline - Clock::now()).count());
    // Everything else in the device goes with us.
    kill(-1, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
    drainOutputs();
    for (auto& p : programs_) p->pid = 0;
}

void Supervisor::onSignal() {
    signalfd_siginfo info{};
    while (read(signals_, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGCHLD) {
            reap();
            continue;
        }
        if (stopping_) continue;
        say(std::string("stopping the device (") + strsignal(static_cast<int>(info.ssi_signo)) + ")");
        stopAll();
        say("stopped");
        ns::RunLoop::main().stop();
        return;
    }
}

int Supervisor::run() {
    sigset_t handled;
    sigemptyset(&handled);
    for (int s : {SIGCHLD, SIGTERM, SIGINT, SIGHUP}) sigaddset(&handled, s);
    sigprocmask(SIG_BLOCK, &handled, nullptr);
    signals_ = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals_ < 0) {
        say(std::string("cannot watch signals: ") + strerror(errno));
        return 1;
    }
    auto signalSource =
        ns::RunLoop::main().watch(signals_, ns::RunLoop::Readable, "signals", [this](unsigned) { onSignal(); });
    std::string names;
    for (const auto& p : programs_) names += (names.empty() ? "" : " and ") + p->spec.name;
    say("up; keeping " + names + " running");
    for (auto& p : programs_) start(*p);
    ns::RunLoop::main().run();
    return exitCode_;
}

}  // namespace supervisor
