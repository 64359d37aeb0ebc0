// Running commands inside a device: in the namespaces of the booted one, or in
// a sandbox of their own with the same mounts.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "device/Boot.h"
#include "device/Failure.h"
#include "device/Process.h"
#include "device/Sandbox.h"

extern char** environ;

namespace sim {

namespace {

// Waits for a child, ignoring interruptions; answers its exit code.
int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 127;
    return exitCodeOf(status);
}

// While a command runs, a Ctrl-C reaches it (same process group), not us.
class IgnoreInterrupts {
public:
    IgnoreInterrupts() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGINT, &ignore, &int_);
        sigaction(SIGQUIT, &ignore, &quit_);
    }
    ~IgnoreInterrupts() {
        sigaction(SIGINT, &int_, nullptr);
        sigaction(SIGQUIT, &quit_, nullptr);
    }
    IgnoreInterrupts(const IgnoreInterrupts&) = delete;
    IgnoreInterrupts& operator=(const IgnoreInterrupts&) = delete;

private:
    struct sigaction int_ {}, quit_ {};
};

void restoreSignals() {
    signal(SIGINT, SIG_DFL);
    signal(SIGQUIT, SIG_DFL);
}

}  // namespace

int runInside(const Device& device, const BootState& state, const std::vector<std::string>& command) {
    if (command.empty()) throw Failure("no command to run");
    std::string proc = "/proc/" + std::to_string(state.supervisor);
    int mountNs = open((proc + "/ns/mnt").c_str(), O_RDONLY | O_CLOEXEC);
    int pidNs = open((proc + "/ns/pid").c_str(), O_RDONLY | O_CLOEXEC);
    int root = open((proc + "/root").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mountNs < 0 || pidNs < 0 || root < 0) {
        int error = errno;
        for (int fd : {mountNs, pidNs, root})
            if (fd >= 0) close(fd);
        throw Failure("cannot reach the namespaces of " + device.folder().string() + " (supervisor pid " +
                      std::to_string(state.supervisor) + "): " + std::strerror(error));
    }
    std::error_code ec;
    std::string folder = visibleInside(device, std::filesystem::current_path(ec).string());
    auto argv = argvOf(command);

    IgnoreInterrupts quiet;
    // The entering child stays single-threaded; its own child is the first
    // process in the device's PID namespace.
    pid_t child = fork();
    if (child < 0) failWithErrno("cannot fork");
    if (child == 0) {
        restoreSignals();
        if (setns(mountNs, CLONE_NEWNS) != 0 || setns(pidNs, CLONE_NEWPID) != 0) {
            dprintf(2, "orvelle-sim: cannot enter the device's namespaces: %s\n", strerror(errno));
            _exit(125);
        }
        if (fchdir(root) != 0 || chroot(".") != 0) {
            dprintf(2, "orvelle-sim: cannot enter the device's root: %s\n", strerror(errno));
            _exit(125);
        }
        if (folder.empty() || chdir(folder.c_str()) != 0) (void)chdir("/");
        pid_t inner = fork();
        if (inner < 0) _exit(125);
        if (inner == 0) {
            execvp(argv[0], argv.data());
            dprintf(2, "orvelle-sim: cannot run %s inside the device: %s\n", argv[0], strerror(errno));
            _exit(errno == ENOENT ? 127 : 126);
        }
        _exit(waitFor(inner));
    }
    for (int fd : {mountNs, pidNs, root}) close(fd);
    return waitFor(child);
}

int runInNewSandbox(const Device& device, const std::vector<std::string>& command) {
    if (command.empty()) throw Failure("no command to run");
    device.makeLayout();
    SandboxOptions options;
    options.dieWithParent = true;
    auto args = sandboxCommand(device, options, command);
    auto argv = argvOf(args);
    IgnoreInterrupts quiet;
    pid_t child = fork();
    if (child < 0) failWithErrno("cannot fork");
    if (child == 0) {
        restoreSignals();
        execvp("bwrap", argv.data());
        dprintf(2, "orvelle-sim: cannot start bwrap: %s\n", strerror(errno));
        _exit(127);
    }
    return waitFor(child);
}

}  // namespace sim
