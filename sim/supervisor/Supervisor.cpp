#include "Supervisor.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>

#include "crash/CrashReport.h"
#include "foundation/FileReplace.h"

namespace supervisor {

namespace {

using Clock = std::chrono::steady_clock;

// A program that ends this soon after its start is waited for a little, so a
// crashing one does not spin; it is still back within a second.
constexpr auto kShortLife = std::chrono::seconds(1);
constexpr double kCrashPause = 0.5;
// How long SpringBoard waits for the keeper to say how it starts again.
constexpr double kKeeperWait = 2;
constexpr auto kStopGrace = std::chrono::seconds(3);

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exited with " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                    strsignal(WTERMSIG(status)) + ")";
    return "ended";
}

}  // namespace

Supervisor::Supervisor(std::vector<ProgramSpec> programs, LogWriter& log, std::string programsFile, KeeperPipes keeper,
                       std::string crashFolder)
    : log_(log), programsFile_(std::move(programsFile)), keeper_(keeper), crashFolder_(std::move(crashFolder)) {
    for (auto& spec : programs) programs_.push_back(Running{std::move(spec), 0, {}, {}, {}});
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
            say(what + "; starting it again");
            writeProgramsFile();
            ended(p, pid, status, std::chrono::duration<double>(Clock::now() - p.started).count());
        }
    }
}

std::pair<std::string, std::string> Supervisor::reportCrash(const std::string& program, pid_t pid) {
    if (crashFolder_.empty()) return {"-", "-"};
    std::string note = crashFolder_ + "/" + program + "-" + std::to_string(pid) + ".note";
    std::string text;
    if (FILE* f = std::fopen(note.c_str(), "re")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < 4 * 1024 * 1024) text.append(buffer, n);
        std::fclose(f);
    }
    std::remove(note.c_str());
    auto parsed = crash::parseCrashNote(text);
    if (!parsed) return {"-", "-"};
    char stamp[32];
    time_t t = static_cast<time_t>(parsed->time);
    tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &utc);
    std::string name = program + "-" + stamp + "-" + std::to_string(pid) + ".crash";
    if (auto written = ns::replaceFile(crashFolder_ + "/" + name, crash::crashReport(*parsed)); !written) {
        say(written.reason());
        return {"-", "-"};
    }
    std::string blamed;
    for (const auto& c : crash::culprits(*parsed)) blamed += (blamed.empty() ? "" : ",") + c;
    say("crash report " + name + (blamed.empty() ? "" : " (with " + blamed + ")"));
    return {name, blamed.empty() ? "-" : blamed};
}

void Supervisor::ended(Running& program, pid_t pid, int status, double uptime) {
    bool crashed = (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL && WTERMSIG(status) != SIGTERM) ||
                   (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    std::pair<std::string, std::string> report{"-", "-"};
    if (crashed) report = reportCrash(program.spec.name, pid);
    bool shortLived = uptime < std::chrono::duration<double>(kShortLife).count();
    program.arguments.clear();
    if (program.spec.name != "SpringBoard" || keeper_.status < 0) {
        if (shortLived)
            startLater(program, kCrashPause);
        else
            start(program);
        return;
    }
    // The keeper on the host decides; without its word in time, the usual pause.
    std::string how = WIFSIGNALED(status) ? "signal:" + std::to_string(WTERMSIG(status))
                                          : "exit:" + std::to_string(WEXITSTATUS(status));
    std::string line = "ended SpringBoard " + std::to_string(pid) + " " + how + " " + std::to_string(uptime) + " " +
                       report.first + " " + report.second + "\n";
    if (write(keeper_.status, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        startLater(program, shortLived ? kCrashPause : 0);
        return;
    }
    Running* p = &program;
    keeperWait_ = ns::scheduledTimer(kKeeperWait, false, [this, p](const id&) {
        say("the keeper did not answer; starting SpringBoard again");
        start(*p);
    }, "the keeper's answer");
}

void Supervisor::fromKeeper(const std::string& line) {
    std::istringstream words(line);
    std::string verb, program, mode, culprits;
    double delay = 0;
    words >> verb;
    Running* springBoard = nullptr;
    for (auto& p : programs_)
        if (p.spec.name == "SpringBoard") springBoard = &p;
    if (!springBoard) return;
    if (verb == "say") {
        std::string text;
        std::getline(words, text);
        log_.line("orvelle-keeper[host]", text.substr(text.find_first_not_of(' ') == std::string::npos ? 0 : text.find_first_not_of(' ')));
        return;
    }
    if (verb == "mode") {
        words >> mode;
        if (mode == "normal") springBoard->arguments.clear();
        return;
    }
    if (verb != "start" || !(words >> program >> mode >> delay) || program != "SpringBoard" || springBoard->pid > 0)
        return;
    words >> culprits;
    if (auto t = rt::cast<NSTimer>(keeperWait_)) t->invalidate();
    springBoard->arguments.clear();
    if (mode == "safe") springBoard->arguments = {"--safe-mode", culprits.empty() ? "-" : culprits};
    if (!(delay >= 0 && delay <= 60)) delay = kCrashPause;
    startLater(*springBoard, delay);
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
    if (keeper_.command >= 0) {
        keeperSource_ = ns::RunLoop::main().watch(keeper_.command, ns::RunLoop::Readable, "the keeper", [this](unsigned) {
            char buffer[1024];
            ssize_t n = read(keeper_.command, buffer, sizeof buffer);
            if (n <= 0) {  // the keeper is gone: the usual pauses from now on
                keeperSource_.reset();
                close(keeper_.status);
                keeper_ = {};
                return;
            }
            keeperInput_.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = keeperInput_.find('\n')) != std::string::npos;) {
                fromKeeper(keeperInput_.substr(0, end));
                keeperInput_.erase(0, end + 1);
            }
            if (keeperInput_.size() > 4096) keeperInput_.clear();
        });
    }
    say("up; keeping SpringBoard and backboardd running");
    for (auto& p : programs_) start(p);
    ns::RunLoop::main().run();
    return exitCode_;
}

}  // namespace supervisor
