#include "device/Keeper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "KeeperProcess.h"
#include "LogWriter.h"
#include "device/Boot.h"
#include "device/DeviceFiles.h"
#include "device/KeeperRecords.h"
#include "device/Limits.h"
#include "foundation/Process.h"
#include "wire/Blocking.h"
#include "wire/Failure.h"
#include "wire/Frame.h"
#include "wire/Hello.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// Requests to the device's keeper on a connection of their own; the last answer.
ns::Result<wire::KeeperAnswer> askKeeper(const Device& device, const std::vector<wire::ToKeeper>& requests,
                                         double timeoutSeconds = 5) {
    fs::path path = device.hostFolder() / "keeper.sock";
    sockaddr_un address{};
    if (path.string().size() >= sizeof address.sun_path) return ns::fail("the keeper's socket path is too long: " + path.string());
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.string().size() + 1);
    ns::UniqueFd s(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s || connect(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return ns::fail("no keeper answers for " + device.folder().string() + " (is it booted?)");
    wire::ToKeeper hello;
    *hello.mutable_hello() = wire::hello("orvelle-sim");
    std::string out = wire::frame(hello);
    for (const wire::ToKeeper& r : requests) out += wire::frame(r);
    std::size_t answers = 0;
    auto frame = wire::exchange(
        s.get(), out,
        [&](std::string_view bytes) {
            auto a = wire::decode<wire::KeeperAnswer>(bytes);
            // The hello's answer first, then one a request (or a refusal ends it).
            return !a || a->has_failure() || ++answers == requests.size() + 1;
        },
        timeoutSeconds, wire::kLargestRequest);
    if (!frame) return ns::fail("the keeper of " + device.folder().string() + ": " + frame.reason());
    auto answer = wire::decode<wire::KeeperAnswer>(*frame);
    if (!answer) return ns::fail("the keeper of " + device.folder().string() + " sent " + answer.reason());
    return std::move(*answer);
}

}  // namespace

std::optional<SafeMode> safeModeOf(const Device& device) {
    auto record = readSafeModeRecord(device);
    if (!record) return std::nullopt;
    std::string culprits;
    for (const auto& c : record->culprits()) culprits += (culprits.empty() ? "" : ",") + c;
    return SafeMode{record->why(), culprits.empty() ? "-" : culprits, record->report().empty() ? "-" : record->report()};
}

pid_t startKeeper(const Device& device, LaunchSpec sandbox, int log) {
    int status[2], command[2], output[2];
    if (pipe2(status, O_CLOEXEC) != 0) failWithErrno("cannot make the keeper's pipes");
    if (pipe2(command, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
        for (int fd : {status[0], status[1]}) close(fd);
        failWithErrno("cannot make the keeper's pipes");
    }
    sigset_t children, previous;
    sigemptyset(&children);
    sigaddset(&children, SIGCHLD);
    sigprocmask(SIG_BLOCK, &children, &previous);
    pid_t keeper = fork();
    if (keeper < 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        for (int fd : {status[0], status[1], command[0], command[1], output[0], output[1]}) close(fd);
        failWithErrno("cannot start the keeper of " + device.folder().string());
    }
    if (keeper > 0) {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        for (int fd : {status[0], status[1], command[0], command[1], output[0], output[1]}) close(fd);
        return keeper;
    }
    // The keeper: a session of its own, nothing of the tool's terminal or
    // output, and none of its other descriptors (its lock on the device above all).
    std::vector<int> keep{status[0], status[1], command[0], command[1], output[0], output[1], sandbox.infoFd,
                          sandbox.stdinFd, log};
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
        // What the sandbox itself prints comes to the keeper, which alone writes the log.
        sandbox.stdoutFd = output[1];
        sandbox.stderrFd = output[1];
        pid_t bwrap = launch(device, sandbox);
        for (int fd : {status[1], command[0], output[1]}) close(fd);
        fcntl(output[0], F_SETFL, O_NONBLOCK);
        ns::ProcessScope own;  // a run loop of its own, not the tool's
        KeeperProcess(device, sandbox.limits->limits(), ns::UniqueFd(status[0]), ns::UniqueFd(command[1]),
                      ns::UniqueFd(output[0]), log)
            .run(bwrap);
    } catch (const std::exception&) {
        _exit(1);
    }
}

void leaveSafeMode(const Device& device) {
    wire::ToKeeper request;
    request.mutable_leave_safe_mode();
    auto answer = askKeeper(device, {request});
    if (!answer) throw Failure(answer.reason());
    if (answer->has_failure()) throw Failure("the keeper of " + device.folder().string() + ": " + answer->failure().reason());
}

void logToDevice(const Device& device, const std::string& writer, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    if (bootState(device)) {
        std::vector<wire::ToKeeper> requests;
        for (const std::string& line : lines) {
            wire::ToKeeper& request = requests.emplace_back();
            request.mutable_log()->set_writer(writer);
            request.mutable_log()->set_text(line);
        }
        // The keeper is on this machine and answers at once; a log line never waits long.
        (void)askKeeper(device, requests, 1);
        return;
    }
    // Stopped: nobody else writes the log now.
    auto file = DeviceFiles(device).openForAppending(device.logFile());
    if (!file) return;
    supervisor::LogWriter log(file->get());
    for (const std::string& line : lines) log.line(writer, line);
}

}  // namespace sim
