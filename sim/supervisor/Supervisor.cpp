#include "Supervisor.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "foundation/FileReplace.h"

namespace supervisor {

namespace {

using Clock = std::chrono::steady_clock;

// A program that ends this soon after its start is waited for a little, so a
// crashing one does not spin; it is still back within a second.
constexpr auto kShortLife = std::chrono::seconds(1);
constexpr double kCrashPause = 0.5;
constexpr auto kStopGrace = std::chrono::seconds(3);

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exited with " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                    strsignal(WTERMSIG(status)) + ")";
    return "ended";
}

}  // namespace

Supervisor::Supervisor(std::vector<ProgramSpec> programs, LogWriter& log, std::string programsFile)
    : log_(log), programsFile_(std::move(programsFile)) {
    for (auto& spec : programs) programs_.push_back(Running{std::move(spec), 0, {}, {}});
}

void Supervisor::say(const std::string& text) { log_.line("orvelle-supervisor[" + std::to_string(getpid()) + "]", text); }

void Supervisor::startLater(Running& program, double seconds) {
    if (auto t = rt::cast<NSTimer>(program.restart)) t->invalidate();
    Running* p = &program;
    program.restart = ns::scheduledTimer(seconds, false, [this, p](const id&) { start(*p); },
                                         "start " + program.spec.name);
}

void Supervisor::start(Running& program) {
    if (auto t = rt::cast<NSTimer>(program.restart)) t->invalidate();
    program.restart.reset();
    if (stopping_) return;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        say("cannot make a pipe for " + program.spec.name + ": " + strerror(errno) + "; trying again");
        return startLater(program, kCrashPause);
    }
    pid_t pid = fork();
    if (pid < 0) {
        say("cannot start " + program.spec.name + ": " + strerror(errno) + "; trying again");
        close(out[0]);
        close(out[1]);
        return startLater(program, kCrashPause);
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        char* argv[] = {program.spec.name.data(), nullptr};
        execv(program.spec.path.c_str(), argv);
        dprintf(2, "cannot run %s: %s\n", program.spec.path.c_str(), strerror(errno));
        _exit(127);
    }
    close(out[1]);
    program.pid = pid;
    program.started = Clock::now();
    int fd = out[0];
    Output& output = outputs_[fd];
    output.splitter = std::make_unique<LineSplitter>(program.spec.name + "[" + std::to_string(pid) + "]");
    output.source = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "output of " + program.spec.name,
                                              [this, fd](unsigned) { readOutput(fd); });
    say("started " + program.spec.name + "[" + std::to_string(pid) + "]");
    writeProgramsFile();
}

void Supervisor::writeProgramsFile() {
    std::string text;
    for (const auto& p : programs_)
        if (p.pid > 0) text += p.spec.name + " " + std::to_string(p.pid) + "\n";
    if (auto written = ns::replaceFile(programsFile_, text); !written) say(written.reason());
}

void Supervisor::reap() {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        for (auto& p : programs_) {
            if (p.pid != pid) continue;
            p.pid = 0;
            std::string what = p.spec.name + "[" + std::to_string(pid) + "] " + describeStatus(status);
            if (stopping_) {
                say(what);
                bool anyLeft = false;
                for (const auto& q : programs_) anyLeft = anyLeft || q.pid > 0;
                if (!anyLeft) ns::RunLoop::main().stop();  // stopAll waits no longer
                break;
            }
            bool shortLived = Clock::now() - p.started < kShortLife;
            say(what + "; starting it again");
            writeProgramsFile();
            if (shortLived)
                startLater(p, kCrashPause);
            else
                start(p);
        }
    }
}

void Supervisor::readOutput(int fd) {
    char buffer[8192];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    auto& output = outputs_.at(fd);
    if (n > 0) {
        output.splitter->feed(std::string_view(buffer, static_cast<std::size_t>(n)), log_);
        return;
    }
    // Every writer (the program and whatever it started) has closed it.
    output.splitter->finish(log_);
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
            outputs_.at(fd).splitter->feed(std::string_view(buffer, static_cast<std::size_t>(n)), log_);
        outputs_.at(fd).splitter->finish(log_);
        outputs_.erase(fd);
        close(fd);
    }
}

void Supervisor::stopAll() {
    stopping_ = true;
    for (auto& p : programs_) {
        if (auto t = rt::cast<NSTimer>(p.restart)) t->invalidate();
        if (p.pid > 0) kill(p.pid, SIGTERM);
    }
    // The loop keeps reading their output and reaping them, up to the grace time.
    auto anyRunning = [&] {
        for (const auto& p : programs_)
            if (p.pid > 0) return true;
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
    for (auto& p : programs_) p.pid = 0;
    writeProgramsFile();
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
    say("up; keeping SpringBoard and backboardd running");
    for (auto& p : programs_) start(p);
    ns::RunLoop::main().run();
    return exitCode_;
}

}  // namespace supervisor
