// A program joining a booted device: into its namespaces, behind the walls
// bubblewrap puts up for the other ways in.
#include <grp.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

#include "SandboxParts.h"
#include "device/DeviceUser.h"
#include "device/Process.h"
#include "wire/InsidePaths.h"

namespace sim::sandbox {

namespace {

// In the process about to run a joining program: the walls bubblewrap puts up
// for the other ways in. No capabilities (entering the device's user
// namespace gave all of them inside it), no way to gain any, the system-call
// filter, a session of its own. Only async-signal-safe calls: this runs
// after fork.
// Answers the step that failed, nothing when all held.
const char* raiseWalls(int seccompFd, std::size_t seccompBytes) {
    if (setsid() < 0) return "a session of its own";
    // Groups cannot be changed where the sandbox denies it; the tool's own
    // are unmapped there anyway.
    if (setgroups(0, nullptr) != 0 && errno != EPERM) return "no supplementary groups";
    if (setresgid(kMobileGid, kMobileGid, kMobileGid) != 0 || setresuid(kMobileUid, kMobileUid, kMobileUid) != 0)
        return "the user mobile";
    for (int cap = 0; cap <= 63; ++cap)
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0 && errno != EINVAL) return "no capabilities to gain";
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) return "no ambient capabilities";
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2]{};
    if (syscall(SYS_capset, &header, none) != 0) return "no capabilities";
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return "no new privileges";
    // The filter: the same program bubblewrap loads.
    static sock_filter program[4096];
    if (seccompBytes > sizeof program || pread(seccompFd, program, seccompBytes, 0) != static_cast<ssize_t>(seccompBytes))
        return "the system-call filter";
    sock_fprog filter{static_cast<unsigned short>(seccompBytes / sizeof(sock_filter)), program};
    if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) != 0) return "the system-call filter";
    return nullptr;
}

}  // namespace

// The joining side of launch(), in its child: enters the device, starts the
// program behind the walls, passes on stop signals and ends with its code.
[[noreturn]] void joinDevice(const LaunchSpec& spec, const JoinedNamespaces& namespaces, int seccompFd,
                             std::size_t seccompBytes, const std::string& folder, char* const* argv, char* const* envp) {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);  // nothing inside may reach into this process
    for (std::size_t i = 0; i < std::size(kJoinedNamespaces); ++i) {
        if (namespaces[i] < 0) continue;
        if (setns(namespaces[i], 0) != 0) {
            dprintf(2, "orvelle-sim: cannot enter the device's %s namespace: %s\n", kJoinedNamespaces[i], strerror(errno));
            _exit(125);
        }
    }
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    pid_t program = fork();
    if (program < 0) _exit(125);
    if (program == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (const char* failed = raiseWalls(seccompFd, seccompBytes)) {
            dprintf(2, "orvelle-sim: cannot put up the device's walls (%s): %s\n", failed, strerror(errno));
            _exit(125);
        }
        close(seccompFd);
        // A terminal of the device's own becomes the program's, as a login's would.
        if (isatty(0)) ioctl(0, TIOCSCTTY, 0);
        if (chdir(folder.c_str()) != 0 && chdir("/") != 0) _exit(125);
        // Looked up in the device's PATH, not the tool's.
        environ = const_cast<char**>(envp);
        execvp(argv[0], argv);
        dprintf(2, "orvelle-sim: cannot run %s inside the device: %s\n", argv[0], strerror(errno));
        _exit(errno == ENOENT ? 127 : 126);
    }
    // Passes the stop signals on until the program ends.
    for (;;) {
        int signal = 0;
        if (sigwait(&stops, &signal) != 0) continue;
        if (signal != SIGCHLD) {
            kill(program, signal);
            continue;
        }
        int status = 0;
        pid_t done = waitpid(program, &status, WNOHANG);
        if (done == program) _exit(exitCodeOf(status));
        (void)spec;
    }
}

}  // namespace sim::sandbox
