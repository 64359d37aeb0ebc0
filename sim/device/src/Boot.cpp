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
#include "device/DiskUse.h"
#include "device/DeviceLog.h"
#include "wire/DeviceModels.h"
#include "device/Keeper.h"
#include "device/KeeperRecords.h"
#include "wire/InsidePaths.h"
#include "device/Cgroups.h"
#include "device/Limits.h"
#include "wire/LauncherInfo.h"
#include "wire/Failure.h"
#include "device/Process.h"
#include "wire/Profile.h"
#include "device/Sandbox.h"
#include "foundation/FileReplace.h"
#include "wire/Requests.h"

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
    (void)writeProgramList(device, wire::ProgramList{});
    (void)DeviceFiles(device).remove(device.controlSocket());
    // A boot's clock starts afresh; a restart of the home screen keeps it.
    (void)DeviceFiles(device).remove(device.runFolder() / inside::kClockRecordName);
}

std::optional<pid_t> springBoardPid(const Device& device, double timeout) {
    auto answer = askSpringBoard(device, wire::pingRequest(), timeout);
    if (!answer || !answer->has_pong()) return std::nullopt;
    return static_cast<pid_t>(answer->pong().pid());
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
    auto record = readBootRecord(device);
    if (!record) return std::nullopt;
    BootState s;
    s.supervisor = record->supervisor();
    s.startTime = record->start_time();
    s.keeper = record->keeper();
    s.keeperStartTime = record->keeper_start_time();
    s.limits = record->limits();
    s.limitsText = record->limits_text();
    for (const std::string& folder : record->cgroups()) s.cgroups.push_back(folder);
    if (s.supervisor <= 0 || !alive(s)) return std::nullopt;
    return s;
}

std::vector<Program> programs(const Device& device) {
    // The keeper's record of what the supervisor keeps.
    std::vector<Program> found;
    auto list = readProgramList(device);
    if (!list) return found;
    for (const wire::Program& p : list->programs())
        if (p.pid() > 0 && found.size() < 16) found.push_back({p.name().substr(0, 64), p.pid()});
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
    // A device past its disk bound would be stopped again at once.
    if (auto overrun = diskOverrun(device, profile.limits))
        throw Failure(device.folder().string() + " cannot boot: " + *overrun +
                      "; free some first, e.g. orvelle-sim exec DEVICE -- rm FILE");
    forgetStopRecord(device);

    fs::path supervisor = binFolder() / "orvelle-supervisor";
    for (const char* program : {"orvelle-supervisor", "SpringBoard", "backboardd"}) {
        std::error_code ec;
        if (!fs::is_regular_file(binFolder() / program, ec))
            throw Failure((binFolder() / program).string() + " is missing (build the sim targets first)");
    }

    // The log is the keeper's to write: opened here, never through a link.
    auto logFile = DeviceFiles(device).openForAppending(device.logFile());
    if (!logFile) throw Failure(logFile.reason());
    // What the tool wrote into the device since it was made is the device's.
    giveToDeviceUser(device);
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int info[2];
    if (devnull < 0 || pipe2(info, O_CLOEXEC) != 0) failWithErrno("cannot make a pipe");
    LaunchSpec sandbox;
    sandbox.entry = Entry::Boot;
    sandbox.command = {supervisor.string()};
    for (const std::string& program : options.also)
        sandbox.command.insert(sandbox.command.end(), {"--also", fs::path(program).filename().string(), program});
    sandbox.workingFolder = "/";
    sandbox.environment = deviceEnvironment(profile, options.locale, options.timeZone, options.time);
    sandbox.stdinFd = devnull;
    sandbox.infoFd = info[1];
    DeviceLimitPlan limits = prepareLimits(device, profile.limits, true);
    sandbox.limits = &limits;
    pid_t child;
    try {
        child = startKeeper(device, sandbox, logFile->get());
    } catch (...) {
        for (int fd : {devnull, info[0], info[1]}) close(fd);
        throw;
    }
    for (int fd : {devnull, info[1]}) close(fd);

    // {"child-pid": N} comes as soon as the sandbox's first process exists.
    std::string json;
    auto deadline = after(10);
    while (!wire::launcherChildPid(json) && json.size() < 4096) {
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
    state.keeperStartTime = processStartTime(child);
    state.supervisor = wire::launcherChildPid(json).value_or(0);
    state.startTime = processStartTime(state.supervisor);
    if (state.supervisor <= 0 || state.startTime == 0) {
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        throw Failure("the sandbox of " + device.folder().string() + " did not start (bwrap exit " +
                      std::to_string(exitCodeOf(status)) + "): " + lastLogLine(device));
    }
    wire::BootRecord record;
    record.set_supervisor(state.supervisor);
    record.set_start_time(state.startTime);
    record.set_keeper(state.keeper);
    record.set_keeper_start_time(state.keeperStartTime);
    state.limits = limits.mechanism();
    state.limitsText = limits.describe();
    state.cgroups = limits.cgroupFolders();
    record.set_limits(state.limits);
    record.set_limits_text(state.limitsText);
    for (const std::string& folder : state.cgroups) record.add_cgroups(folder);
    if (auto written = writeBootRecord(device, record); !written) {
        kill(state.supervisor, SIGKILL);
        waitpid(child, nullptr, 0);
        throw Failure(written.reason());
    }

    deadline = after(options.timeoutSeconds);
    while (true) {
        if (auto answer = askSpringBoard(device, wire::pingRequest(), 1); answer && answer->has_pong()) {
            if (auto safe = safeModeOf(device)) state.safeMode = safe->why + " (to blame: " + safe->culprits + ")";
            return state;
        }
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
    std::string loading = sim::loadingLibrary(device);
    throw Failure("SpringBoard did not come up within " + std::to_string(static_cast<int>(options.timeoutSeconds)) + " s" +
                  (loading.empty() ? "" : " (it was loading " + loading + ")") + "; last log line: " + lastLogLine(device));
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
    // By the start time the boot recorded: a pid the keeper left, now another
    // program's, is neither waited on nor killed.
    if (!waitGone(state->keeper, state->keeperStartTime, after(5))) kill(state->keeper, SIGKILL);
    removeDeviceCgroup(state->cgroups);
    clearRunFolder(device);
}

pid_t respring(const Device& device, double timeoutSeconds) {
    device.requireExists();
    DeviceLock lock(device);
    auto state = bootState(device);
    if (!state) throw Failure(device.folder().string() + " is not booted");
    auto pidOf = [&](const char* name) {
        for (const Program& p : programs(device))
            if (p.name == name) return p.pid;
        return pid_t{0};
    };
    auto before = springBoardPid(device, 2);
    const pid_t displayBefore = pidOf("backboardd");
    int code = runInDevice(device, {"/usr/bin/killall", "-9", "SpringBoard", "backboardd"});
    if (code != 0 && code != 1) throw Failure("killall inside the device failed with exit " + std::to_string(code));
    // Done when both are back: a respring right after this one finds both to end.
    auto deadline = after(timeoutSeconds);
    while (Clock::now() < deadline) {
        auto now = springBoardPid(device, 1);
        pid_t display = pidOf("backboardd");
        if (now && now != before && display != 0 && display != displayBefore) return *now;
        pause();
    }
    throw Failure("no new SpringBoard and backboardd within " + std::to_string(static_cast<int>(timeoutSeconds)) +
                  " s; last log line: " + lastLogLine(device));
}

}  // namespace sim
