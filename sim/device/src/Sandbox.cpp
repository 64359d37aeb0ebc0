#include "device/Sandbox.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <linux/nsfs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

#include "device/Boot.h"
#include "device/BuildTree.h"
#include "device/DeviceUser.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Process.h"
#include "device/Seccomp.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// What the programs need of the machine's /etc: fonts, the loader's cache,
// users and groups, the zone database link, alternatives of /usr/bin programs.
const char* const kEtcEntries[] = {
    "/etc/fonts", "/etc/ld.so.cache", "/etc/ld.so.conf", "/etc/ld.so.conf.d", "/etc/passwd", "/etc/group",
    "/etc/nsswitch.conf", "/etc/localtime", "/etc/timezone", "/etc/alternatives", "/etc/ssl",
};

// Top-level names that a merged-/usr system links into /usr.
const char* const kUsrLinks[] = {"bin", "sbin", "lib", "lib32", "lib64", "libx32"};

// Descriptor numbers inside bubblewrap's own view: the sandbox's setup reads
// them before the program starts.
constexpr int kInfoFd = 3;
constexpr int kSeccompFd = 4;
static_assert(kFirstPassedFd == kSeccompFd + 1);

// The namespaces a joining program enters: first the user namespace that owns
// the device's others (it gives the right to enter them; the sandbox nests its
// programs' own user namespace inside it), then those, the PID namespace last
// (it takes effect for children only), and last the programs' user namespace.
const char* const kJoinedNamespaces[] = {"owner", "mnt", "net", "ipc", "uts", "cgroup", "pid", "user"};

// The device's /tmp: a program cannot fill the machine's memory through it.
constexpr const char* kTmpBytes = "536870912";

bool isBelow(const fs::path& child, const fs::path& parent) {
    auto rel = child.lexically_normal().lexically_relative(parent.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
}

// Waits for a child, ignoring interruptions; answers its exit code.
int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return 127;
    return exitCodeOf(status);
}

// The program's pid on this machine from bubblewrap's {"child-pid": N}: the
// only child of the sandbox's own first process. 0 while not known yet.
pid_t sandboxProgramPid(const std::string& info) {
    auto key = info.find("\"child-pid\"");
    auto colon = key == std::string::npos ? key : info.find(':', key);
    if (colon == std::string::npos) return 0;
    pid_t first = static_cast<pid_t>(std::atoi(info.c_str() + colon + 1));
    if (first <= 0) return first;
    std::string path = "/proc/" + std::to_string(first) + "/task/" + std::to_string(first) + "/children";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return 0;
    int child = 0;
    if (std::fscanf(f, "%d", &child) != 1) child = 0;
    std::fclose(f);
    return child;
}

}  // namespace

Environment deviceEnvironment(const Profile& profile, const std::string& locale, const std::string& timeZone,
                              const std::string& time) {
    const std::string& zone = timeZone.empty() ? profile.timeZone : timeZone;
    Environment e{
        {"PATH", "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"},
        // Ahead of any search path a program or library carries.
        {"LD_LIBRARY_PATH", inside::kFrameworks},
        {"HOME", "/var/mobile"},
        {"LANG", "C.UTF-8"},
        {"ORVELLE_LOCALE", locale.empty() ? profile.locale : locale},
        {"ORVELLE_TZ", zone},
        {"TZ", zone},
    };
    if (!time.empty()) e.emplace_back("ORVELLE_TIME", time);
    return e;
}

std::string visibleInside(const Device& device, const std::string& folder) {
    fs::path f = fs::path(folder).lexically_normal();
    auto within = [&](const fs::path& top) { return f == top.lexically_normal() || isBelow(f, top); };
    if (within(buildFolder())) return f.string();
    if (within(device.varFolder())) return (fs::path("/var") / f.lexically_relative(device.varFolder())).lexically_normal().string();
    if (within(device.libraryFolder()))
        return (fs::path("/Library") / f.lexically_relative(device.libraryFolder())).lexically_normal().string();
    if (within("/usr")) return f.string();
    return "";
}

std::vector<std::string> sandboxCommand(const Device& device, const LaunchSpec& spec) {
    std::vector<std::string> a{"bwrap"};
    switch (spec.entry) {
        case Entry::Boot:
            // Namespaces of its own (user, PID, network, IPC, host name, cgroup);
            // the supervisor is the first process and reaps every orphan.
            a.insert(a.end(), {"--unshare-all", "--unshare-user", "--as-pid-1"});
            break;
        case Entry::Fresh:
            a.insert(a.end(), {"--unshare-all", "--unshare-user", "--die-with-parent"});
            break;
        case Entry::Join:
            throw Failure("a program joins a booted device through its namespaces, not a new sandbox");
    }
    // The walls every way in shares: the phone's user mobile, no capabilities
    // (an unprivileged user namespace gives none outside it), no namespaces of
    // its own making, a session of its own, the system-call filter.
    a.insert(a.end(), {"--uid", std::to_string(kMobileUid), "--gid", std::to_string(kMobileGid)});
    a.insert(a.end(), {"--hostname", spec.hostName.empty() ? "iPhone" : spec.hostName, "--disable-userns"});
    a.insert(a.end(), {"--new-session", "--seccomp", std::to_string(kSeccompFd)});
    if (spec.infoFd >= 0) a.insert(a.end(), {"--info-fd", std::to_string(kInfoFd)});

    a.insert(a.end(), {"--ro-bind", "/usr", "/usr"});
    for (const char* name : kUsrLinks) {
        fs::path top = fs::path("/") / name;
        std::error_code ec;
        if (fs::is_symlink(top, ec))
            a.insert(a.end(), {"--symlink", fs::read_symlink(top, ec).string(), top.string()});
        else if (fs::is_directory(top, ec))
            a.insert(a.end(), {"--ro-bind", top.string(), top.string()});
    }
    for (const char* entry : kEtcEntries) a.insert(a.end(), {"--ro-bind-try", entry, entry});
    a.insert(a.end(), {"--proc", "/proc", "--dev", "/dev", "--size", kTmpBytes, "--tmpfs", "/tmp"});

    a.insert(a.end(), {"--bind", device.varFolder().string(), "/var"});
    a.insert(a.end(), {"--bind", device.libraryFolder().string(), "/Library"});
    a.insert(a.end(), {"--ro-bind", device.profileFile().string(), inside::kProfile});
    a.insert(a.end(), {"--bind", device.runFolder().string(), inside::kRunFolder});
    a.insert(a.end(), {"--bind", device.logFolder().string(), inside::kLogFolder});
    // Programs and tests keep their absolute paths.
    a.insert(a.end(), {"--ro-bind", buildFolder().string(), buildFolder().string()});
    a.insert(a.end(), {"--ro-bind", frameworksFolder().string(), inside::kFrameworks});

    std::string folder = spec.workingFolder;
    if (folder.empty()) {
        std::error_code ec;
        folder = visibleInside(device, fs::current_path(ec).string());
        if (folder.empty()) folder = "/";
    }
    a.insert(a.end(), {"--chdir", folder});
    for (const auto& [name, value] : spec.environment) a.insert(a.end(), {"--setenv", name, value});
    a.push_back("--");
    a.insert(a.end(), spec.command.begin(), spec.command.end());
    return a;
}

namespace {

// A descriptor the sandbox reads, closed with the launch.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

int namespaceOf(const Device& device, const BootState& state, const char* kind) {
    std::string path = "/proc/" + std::to_string(state.supervisor) + "/ns/" + kind;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        failWithErrno("cannot reach the " + std::string(kind) + " namespace of " + device.folder().string() +
                      " (supervisor pid " + std::to_string(state.supervisor) + ")");
    return fd;
}

// The filter, made once per tool run and handed to each sandbox in memory.
int seccompDescriptor() {
    static const std::string program = deviceSeccompProgram();
    int fd = memfd_create("orvelle-seccomp", MFD_CLOEXEC);
    if (fd < 0) failWithErrno("cannot hand the system-call filter to the sandbox");
    if (write(fd, program.data(), program.size()) != static_cast<ssize_t>(program.size()) || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        failWithErrno("cannot hand the system-call filter to the sandbox");
    }
    return fd;
}

}  // namespace

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

// The joining side of launch(), in its child: enters the device, starts the
// program behind the walls, passes on stop signals and ends with its code.
[[noreturn]] void joinDevice(const LaunchSpec& spec, const std::array<int, std::size(kJoinedNamespaces)>& namespaces, int seccompFd,
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
        if (chdir(folder.c_str()) != 0 && chdir("/") != 0) _exit(125);
        execvpe(argv[0], argv, envp);
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

// The program's environment: the tool's own with the device's on top.
std::vector<std::string> environmentFor(const Environment& device) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [n, v] : device) replaced = replaced || n == name;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [n, v] : device) env.push_back(n + "=" + v);
    return env;
}

}  // namespace

pid_t launch(const Device& device, const LaunchSpec& spec) {
    if (spec.command.empty()) throw Failure("no command to run in " + device.folder().string());
    const DeviceUser user = deviceUser();
    const bool join = spec.entry == Entry::Join;
    struct Namespaces {
        std::array<int, std::size(kJoinedNamespaces)> fd;
        Namespaces() { fd.fill(-1); }
        ~Namespaces() {
            for (int f : fd)
                if (f >= 0) close(f);
        }
    } namespaces;
    if (join) {
        if (!spec.booted) throw Failure(device.folder().string() + " is not booted");
        for (std::size_t i = 1; i < std::size(kJoinedNamespaces); ++i)
            namespaces.fd[i] = namespaceOf(device, *spec.booted, kJoinedNamespaces[i]);
        namespaces.fd[0] = ioctl(namespaces.fd[1], NS_GET_USERNS);
        if (namespaces.fd[0] < 0) failWithErrno("cannot find who owns the namespaces of " + device.folder().string());
        fcntl(namespaces.fd[0], F_SETFD, FD_CLOEXEC);
        struct stat owner {}, programs {};
        fstat(namespaces.fd[0], &owner);
        fstat(namespaces.fd.back(), &programs);
        if (owner.st_ino == programs.st_ino) {  // not nested: enter it once
            close(namespaces.fd.back());
            namespaces.fd.back() = -1;
        }
    }
    Fd seccomp(seccompDescriptor());
    struct stat filterStat {};
    fstat(seccomp.fd, &filterStat);
    std::size_t seccompBytes = static_cast<std::size_t>(filterStat.st_size);
    std::vector<std::string> args;
    if (join) {
        args = spec.command;
    } else {
        LaunchSpec named = spec;
        if (named.hostName.empty()) named.hostName = readProfile(device.profileFile()).model;
        args = sandboxCommand(device, named);
    }
    auto argv = argvOf(args);
    std::vector<std::string> env = environmentFor(join ? spec.environment : Environment{});
    auto envp = argvOf(env);
    std::string folder = spec.workingFolder;
    if (join && folder.empty()) {
        std::error_code ec;
        folder = visibleInside(device, fs::current_path(ec).string());
        if (folder.empty()) folder = "/";
    }

    const std::string deviceFolder = device.folder().string();
    pid_t child = fork();
    if (child < 0) failWithErrno("cannot start the sandbox of " + device.folder().string());
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // The device outlives this command in a session of its own; anything
        // else is in a process group of its own, so the terminal's signals
        // reach the tool, which passes them on.
        if (spec.entry == Entry::Boot)
            setsid();
        else
            setpgid(0, 0);
        // The descriptors bubblewrap reads go to fixed numbers above the
        // standard three, out of the way of the dups below.
        auto high = [](int fd) { return fd >= 0 ? fcntl(fd, F_DUPFD, 10) : -1; };
        int info = high(spec.infoFd), filter = high(seccomp.fd);
        std::vector<int> passed;
        for (int fd : spec.passFds) passed.push_back(high(fd));
        for (auto [from, to] : {std::pair{spec.stdinFd, 0}, std::pair{spec.stdoutFd, 1}, std::pair{spec.stderrFd, 2}})
            if (from >= 0) dup2(from, to);
        for (auto [from, to] : {std::pair{info, kInfoFd}, std::pair{filter, kSeccompFd}}) {
            if (from >= 0)
                dup2(from, to);
            else
                close(to);
        }
        for (std::size_t i = 0; i < passed.size(); ++i) dup2(passed[i], kFirstPassedFd + static_cast<int>(i));
        if (!join) close_range(static_cast<unsigned>(kFirstPassedFd + passed.size()), ~0U, 0);
        // Never root outside: the sandbox starts as the device's own user.
        if (user.fromRoot && (setgroups(0, nullptr) != 0 || setresgid(user.gid, user.gid, user.gid) != 0 ||
                              setresuid(user.uid, user.uid, user.uid) != 0)) {
            dprintf(2, "orvelle-sim: cannot become the device user %s: %s\n", user.name.c_str(), strerror(errno));
            _exit(126);
        }
        // bubblewrap reaches the device's folders by their paths, as that user.
        if (user.fromRoot && access(deviceFolder.c_str(), X_OK) != 0) {
            dprintf(2,
                    "orvelle-sim: the device user %s cannot reach %s (%s): a folder above it is closed to others; "
                    "let others pass through it (chmod o+x) or keep devices elsewhere\n",
                    user.name.c_str(), deviceFolder.c_str(), strerror(errno));
            _exit(126);
        }
        if (join) {
            close(kInfoFd);
            joinDevice(spec, namespaces.fd, kSeccompFd, seccompBytes, folder, argv.data(), envp.data());
        }
        execvp("bwrap", argv.data());
        dprintf(2, "orvelle-sim: cannot start bwrap: %s\n", strerror(errno));
        _exit(127);
    }
    return child;
}

int runToEnd(const Device& device, const LaunchSpec& given) {
    // The stop signals come to the tool through a descriptor while the program runs.
    sigset_t stops, previous;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, &previous);
    struct Restore {
        sigset_t mask;
        ~Restore() { sigprocmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    Fd signals(signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK));
    if (signals.fd < 0) failWithErrno("cannot watch for Ctrl-C");
    int info[2];
    if (pipe2(info, O_CLOEXEC | O_NONBLOCK) != 0) failWithErrno("cannot make a pipe");
    Fd infoReader(info[0]), infoWriter(info[1]);

    LaunchSpec spec = given;
    spec.infoFd = infoWriter.fd;
    pid_t sandbox = launch(device, spec);
    close(infoWriter.fd);
    infoWriter.fd = -1;

    std::string json;
    pid_t program = 0;
    for (;;) {
        pollfd watched[2] = {{signals.fd, POLLIN, 0}, {infoReader.fd, POLLIN, 0}};
        if (poll(watched, infoReader.fd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) break;
        if (infoReader.fd >= 0 && watched[1].revents) {
            char buffer[256];
            ssize_t n = read(infoReader.fd, buffer, sizeof buffer);
            if (n > 0) json.append(buffer, static_cast<std::size_t>(n));
            if (n == 0) {
                close(infoReader.fd);
                infoReader.fd = -1;
            }
            if (!program) program = spec.entry == Entry::Join ? sandbox : sandboxProgramPid(json);
        }
        signalfd_siginfo si{};
        while (read(signals.fd, &si, sizeof si) == sizeof si) {
            if (si.ssi_signo == SIGCHLD) continue;
            // To the program itself; before it exists, to its sandbox.
            pid_t target = program ? program : spec.entry == Entry::Join ? sandbox : sandboxProgramPid(json);
            kill(target > 0 ? target : sandbox, static_cast<int>(si.ssi_signo));
        }
        int status = 0;
        pid_t done = waitpid(sandbox, &status, WNOHANG);
        if (done == sandbox) return exitCodeOf(status);
        if (done < 0 && errno != EINTR) return 127;
    }
    return waitFor(sandbox);
}

int runInDevice(const Device& device, const std::vector<std::string>& command) {
    LaunchSpec spec;
    spec.command = command;
    spec.environment = deviceEnvironment(readProfile(device.profileFile()));
    auto state = bootState(device);
    if (state) {
        spec.entry = Entry::Join;
        spec.booted = &*state;
    } else {
        device.makeLayout();
    }
    return runToEnd(device, spec);
}

}  // namespace sim
