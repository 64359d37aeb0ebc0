#include "device/Boot.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/BuildTree.h"
#include "device/Control.h"
#include "device/DeviceUser.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "device/DeviceModels.h"
#include "device/Keeper.h"
#include "device/Failure.h"
#include "device/Process.h"
#include "device/Profile.h"
#include "device/Sandbox.h"
#include "foundation/FileReplace.h"

namespace sim {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

Clock::time_point after(double seconds) { return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000)); }

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(25)); }

bool alive(const BootState& s) { return processStartTime(s.supervisor) == s.startTime; }

// Waits until the process is gone; answers false at the deadline.
bool waitGone(pid_t pid, unsigned long long startTime, Clock::time_point deadline) {
    while (processStartTime(pid) == startTime && startTime != 0) {
        waitpid(pid, nullptr, WNOHANG);  // our own child when we booted it in this process
        if (Clock::now() >= deadline) return false;
        pause();
    }
    return true;
}

void clearRunFolder(const Device& device) {
    std::error_code ec;
    fs::remove(device.bootStateFile(), ec);
    DeviceFiles files(device);
    for (const fs::path& f : {device.programsFile(), device.controlSocket()}) (void)files.remove(f);
}

std::optional<pid_t> springBoardPid(const Device& device, double timeout) {
    auto reply = askSpringBoard(device, "pid", timeout);
    if (!reply) return std::nullopt;
    try {
        return static_cast<pid_t>(std::stoi(*reply));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

DeviceLock::DeviceLock(const Device& device) {
    std::error_code ec;
    fs::create_directories(device.hostFolder(), ec);
    fd_ = open(device.lockFile().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) failWithErrno("cannot open " + device.lockFile().string());
    while (flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR) failWithErrno("cannot lock " + device.lockFile().string());
}

DeviceLock::~DeviceLock() {
    if (fd_ >= 0) close(fd_);
}

std::optional<BootState> bootState(const Device& device) {
    // The tool's own record, in the host folder that no device program sees.
    int fd = open(device.bootStateFile().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[256];
    ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (n <= 0) return std::nullopt;
    std::istringstream in(std::string(buffer, static_cast<std::size_t>(n)));
    BootState s;
    std::string word;
    if (!(in >> word >> s.supervisor >> s.startTime) || word != "supervisor") return std::nullopt;
    if (!(in >> word >> s.keeper) || word != "keeper") return std::nullopt;
    if (!alive(s)) return std::nullopt;
    return s;
}

std::vector<Program> programs(const Device& device) {
    // Written by the supervisor inside the device: a short list, read as such.
    auto text = DeviceFiles(device).read(device.programsFile(), 4096);
    std::vector<Program> found;
    if (!text) return found;
    std::istringstream in(*text);
    Program p;
    while (found.size() < 16 && in >> p.name >> p.pid)
        if (p.name.size() <= 64 && p.pid > 0) found.push_back(p);
    return found;
}

BootState boot(const Device& device, const BootOptions& options) {
    device.requireExists();
    Profile profile = readProfile(device.profileFile());
    DeviceChoice overrides;
    if (!options.locale.empty()) overrides.locale = options.locale;
    if (!options.timeZone.empty()) overrides.timeZone = options.timeZone;
    if (auto checked = chooseDevice(profile, overrides); !checked)
        throw Failure(device.folder().string() + " cannot boot: " + checked.reason());
    device.makeLayout();
    DeviceLock lock(device);
    if (auto s = bootState(device))
        throw Failure(device.folder().string() + " is already booted (supervisor pid " + std::to_string(s->supervisor) + ")");
    clearRunFolder(device);

    fs::path supervisor = binFolder() / "orvelle-supervisor";
    for (const char* program : {"orvelle-supervisor", "SpringBoard", "backboardd"}) {
        std::error_code ec;
        if (!fs::is_regular_file(binFolder() / program, ec))
            throw Failure((binFolder() / program).string() + " is missing (build the sim targets first)");
    }

    auto logFile = DeviceFiles(device).openForAppending(device.logFile());
    if (!logFile) throw Failure(logFile.reason());
    int log = logFile->release();
    // What the tool wrote into the device since it was made is the device's.
    giveToDeviceUser(device);
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int info[2];
    if (devnull < 0 || pipe2(info, O_CLOEXEC) != 0) {
        close(log);
        failWithErrno("cannot make a pipe");
    }
    LaunchSpec sandbox;
    sandbox.entry = Entry::Boot;
    sandbox.command = {supervisor.string()};
    sandbox.workingFolder = "/";
    sandbox.environment = deviceEnvironment(profile, options.locale, options.timeZone, options.time);
    sandbox.stdinFd = devnull;
    sandbox.stdoutFd = log;
    sandbox.stderrFd = log;
    sandbox.infoFd = info[1];
    pid_t child;
    try {
        child = startKeeper(device, sandbox);
    } catch (...) {
        for (int fd : {log, devnull, info[0], info[1]}) close(fd);
        throw;
    }
    for (int fd : {log, devnull, info[1]}) close(fd);

    // {"child-pid": N} comes as soon as the sandbox's first process exists.
    std::string json;
    auto deadline = after(10);
    while (json.find('}') == std::string::npos) {
        pollfd p{info[0], POLLIN, 0};
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0 || poll(&p, 1, left) != 1) break;
        char buffer[256];
        ssize_t n = read(info[0], buffer, sizeof buffer);
        if (n <= 0) break;
        json.append(buffer, static_cast<std::size_t>(n));
    }
    close(info[0]);
    BootState state;
    state.keeper = child;
    auto key = json.find("\"child-pid\"");
    if (key != std::string::npos) {
        auto colon = json.find(':', key);
        if (colon != std::string::npos) state.supervisor = static_cast<pid_t>(std::atoi(json.c_str() + colon + 1));
    }
    state.startTime = processStartTime(state.supervisor);
    if (state.supervisor <= 0 || state.startTime == 0) {
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        throw Failure("the sandbox of " + device.folder().string() + " did not start (bwrap exit " +
                      std::to_string(exitCodeOf(status)) + "): " + lastLogLine(device));
    }
    std::string record = "supervisor " + std::to_string(state.supervisor) + " " + std::to_string(state.startTime) +
                         "\nkeeper " + std::to_string(state.keeper) + "\n";
    if (auto written = ns::replaceFile(device.bootStateFile(), record); !written) {
        kill(state.supervisor, SIGKILL);
        waitpid(child, nullptr, 0);
        throw Failure(written.reason());
    }

    deadline = after(options.timeoutSeconds);
    while (true) {
        if (askSpringBoard(device, "ping", 1) == std::optional<std::string>("pong")) return state;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child || !alive(state)) {
            clearRunFolder(device);
            throw Failure("the device stopped while booting (exit " + std::to_string(exitCodeOf(status)) +
                          "); last log line: " + lastLogLine(device));
        }
        if (Clock::now() >= deadline) break;
        pause();
    }
    kill(state.supervisor, SIGKILL);
    waitpid(child, nullptr, 0);
    clearRunFolder(device);
    throw Failure("SpringBoard did not come up within " + std::to_string(static_cast<int>(options.timeoutSeconds)) +
                  " s; last log line: " + lastLogLine(device));
}

void shutdown(const Device& device, double timeoutSeconds) {
    device.requireExists();
    DeviceLock lock(device);
    auto state = bootState(device);
    if (!state) {
        clearRunFolder(device);
        throw Failure(device.folder().string() + " is not booted");
    }
    // The supervisor stops its programs; the namespace ends with it.
    kill(state->supervisor, SIGTERM);
    if (!waitGone(state->supervisor, state->startTime, after(timeoutSeconds))) {
        kill(state->supervisor, SIGKILL);
        if (!waitGone(state->supervisor, state->startTime, after(5)))
            throw Failure("the supervisor of " + device.folder().string() + " (pid " +
                          std::to_string(state->supervisor) + ") does not end");
    }
    // The keeper ends once the sandbox has: its records go with it.
    unsigned long long keeperStart = processStartTime(state->keeper);
    if (!waitGone(state->keeper, keeperStart, after(5))) kill(state->keeper, SIGKILL);
    clearRunFolder(device);
}

pid_t respring(const Device& device, double timeoutSeconds) {
    device.requireExists();
    DeviceLock lock(device);
    auto state = bootState(device);
    if (!state) throw Failure(device.folder().string() + " is not booted");
    auto before = springBoardPid(device, 2);
    int code = runInDevice(device, {"/usr/bin/killall", "-9", "SpringBoard", "backboardd"});
    if (code != 0 && code != 1) throw Failure("killall inside the device failed with exit " + std::to_string(code));
    auto deadline = after(timeoutSeconds);
    while (Clock::now() < deadline) {
        auto now = springBoardPid(device, 1);
        if (now && now != before) return *now;
        pause();
    }
    throw Failure("no new SpringBoard answered within " + std::to_string(static_cast<int>(timeoutSeconds)) +
                  " s; last log line: " + lastLogLine(device));
}

}  // namespace sim
