#include "Supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace supervisor {

namespace {

using Clock = std::chrono::steady_clock;

// A program that ends this soon after its start is waited for a little, so a
// crashing one does not spin; it is still back within a second.
constexpr auto kShortLife = std::chrono::seconds(1);
constexpr auto kCrashPause = std::chrono::milliseconds(500);
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
    for (auto& spec : programs) programs_.push_back(Running{std::move(spec)});
}

void Supervisor::say(const std::string& text) { log_.line("orvelle-supervisor[" + std::to_string(getpid()) + "]", text); }

void Supervisor::start(Running& program) {
    program.waiting = false;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        say("cannot make a pipe for " + program.spec.name + ": " + strerror(errno) + "; trying again");
        program.waiting = true;
        program.restartAt = Clock::now() + kCrashPause;
        return;
    }
    pid_t pid = fork();
    if (pid < 0) {
        say("cannot start " + program.spec.name + ": " + strerror(errno) + "; trying again");
        close(out[0]);
        close(out[1]);
        program.waiting = true;
        program.restartAt = Clock::now() + kCrashPause;
        return;
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
    outputs_[out[0]] = std::make_unique<LineSplitter>(program.spec.name + "[" + std::to_string(pid) + "]");
    say("started " + program.spec.name + "[" + std::to_string(pid) + "]");
    writeProgramsFile();
}

void Supervisor::writeProgramsFile() const {
    std::string temporary = programsFile_ + ".new";
    {
        std::ofstream out(temporary);
        for (const auto& p : programs_)
            if (p.pid > 0) out << p.spec.name << " " << p.pid << "\n";
    }
    std::rename(temporary.c_str(), programsFile_.c_str());
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
                break;
            }
            bool shortLived = Clock::now() - p.started < kShortLife;
            p.waiting = true;
            p.restartAt = Clock::now() + (shortLived ? std::chrono::duration_cast<Clock::duration>(kCrashPause)
                                                     : Clock::duration::zero());
            say(what + "; starting it again");
            writeProgramsFile();
        }
    }
}

void Supervisor::readOutput(int fd) {
    char buffer[8192];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    auto& splitter = *outputs_.at(fd);
    if (n > 0) {
        splitter.feed(std::string_view(buffer, static_cast<std::size_t>(n)), log_);
        return;
    }
    // Every writer (the program and whatever it started) has closed it.
    splitter.finish(log_);
    close(fd);
    outputs_.erase(fd);
}

int Supervisor::pollTimeoutMs() const {
    int timeout = -1;
    for (const auto& p : programs_) {
        if (!p.waiting) continue;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(p.restartAt - Clock::now()).count();
        int wait = ms < 0 ? 0 : static_cast<int>(ms);
        if (timeout < 0 || wait < timeout) timeout = wait;
    }
    return timeout;
}

void Supervisor::stopAll() {
    stopping_ = true;
    for (auto& p : programs_) {
        p.waiting = false;
        if (p.pid > 0) kill(p.pid, SIGTERM);
    }
    auto deadline = Clock::now() + kStopGrace;
    auto anyRunning = [&] {
        for (const auto& p : programs_)
            if (p.pid > 0) return true;
        return false;
    };
    while (anyRunning() && Clock::now() < deadline) {
        reap();
        for (auto it = outputs_.begin(); it != outputs_.end();) {
            int fd = (it++)->first;
            pollfd pf{fd, POLLIN, 0};
            if (poll(&pf, 1, 0) == 1) readOutput(fd);
        }
        usleep(20 * 1000);
    }
    // Everything else in the device goes with us.
    kill(-1, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
    for (auto it = outputs_.begin(); it != outputs_.end();) {
        int fd = (it++)->first;
        int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        while (outputs_.count(fd)) {
            char buffer[8192];
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                outputs_.at(fd)->feed(std::string_view(buffer, static_cast<std::size_t>(n)), log_);
                continue;
            }
            outputs_.at(fd)->finish(log_);
            close(fd);
            outputs_.erase(fd);
        }
    }
    for (auto& p : programs_) p.pid = 0;
    writeProgramsFile();
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
    say("up; keeping SpringBoard and backboardd running");

    while (true) {
        for (auto& p : programs_)
            if (p.waiting && Clock::now() >= p.restartAt) start(p);

        std::vector<pollfd> watched{{signals_, POLLIN, 0}};
        for (const auto& [fd, splitter] : outputs_) watched.push_back({fd, POLLIN, 0});
        int ready = poll(watched.data(), watched.size(), pollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            say(std::string("poll failed: ") + strerror(errno));
            stopAll();
            return 1;
        }
        for (std::size_t i = 1; i < watched.size(); ++i)
            if (watched[i].revents) readOutput(watched[i].fd);
        if (watched[0].revents & POLLIN) {
            signalfd_siginfo info{};
            while (read(signals_, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGCHLD) continue;
                say(std::string("stopping the device (") + strsignal(static_cast<int>(info.ssi_signo)) + ")");
                stopAll();
                say("stopped");
                return 0;
            }
        }
        reap();
    }
}

}  // namespace supervisor
