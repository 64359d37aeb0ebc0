// launch(): every way into a device starts here, a new sandbox or a program
// joining a booted one.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <linux/nsfs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <linux/close_range.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "SandboxParts.h"
#include "device/Boot.h"
#include "device/DeviceUser.h"
#include "device/Limits.h"
#include "device/Process.h"
#include "device/Sandbox.h"
#include "device/Seccomp.h"
#include "foundation/UniqueFd.h"
#include "wire/Failure.h"

namespace sim {

namespace fs = std::filesystem;
using namespace sandbox;

namespace {

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

// The program's environment: the device's alone. Nothing of the user's
// (tokens, keys, paths) reaches a program inside unless a caller names it.
std::vector<std::string> environmentFor(const Environment& device) {
    std::vector<std::string> env;
    for (const auto& variable : device) {
        const std::string prefix = variable.first + "=";
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(prefix); });  // the last one wins
        env.push_back(prefix + variable.second);
    }
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
    // The device's bounds: its control group entered and its limits set in the child.
    DeviceLimitPlan prepared;
    if (!spec.limits) prepared = limitsFor(device, join, spec.booted);
    const DeviceLimitPlan& limits = spec.limits ? *spec.limits : prepared;
    auto mounts = join ? std::vector<std::string>{} : limits.sandboxArguments();
    args.insert(args.begin() + 1, mounts.begin(), mounts.end());
    auto argv = argvOf(args);
    std::vector<std::string> env = environmentFor(spec.environment);
    auto envp = argvOf(env);
    std::string folder = spec.workingFolder;
    if (join && folder.empty()) {
        std::error_code ec;
        folder = visibleInside(device, fs::current_path(ec).string());
        if (folder.empty()) folder = "/";
    }

    const std::string deviceFolder = device.folder().string();
    // What a program gets for a standard descriptor not given: never the tool's own.
    ns::UniqueFd nothing(open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!nothing) failWithErrno("cannot open /dev/null for " + device.folder().string());
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
            dup2(from >= 0 ? from : nothing.get(), to);
        for (auto [from, to] : {std::pair{info, kInfoFd}, std::pair{filter, kSeccompFd}}) {
            if (from >= 0)
                dup2(from, to);
            else
                close(to);
        }
        for (std::size_t i = 0; i < passed.size(); ++i) dup2(passed[i], kFirstPassedFd + static_cast<int>(i));
        // Nothing else of the tool's reaches the program: a joining one needs
        // the namespaces' descriptors until it has entered them.
        close_range(static_cast<unsigned>(kFirstPassedFd + passed.size()), ~0U, join ? CLOSE_RANGE_CLOEXEC : 0);
        if (const char* failed = limits.enter()) {
            dprintf(2, "orvelle-sim: cannot bound %s (%s): %s\n", deviceFolder.c_str(), failed, strerror(errno));
            _exit(126);
        }
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
        execvpe("bwrap", argv.data(), envp.data());
        dprintf(2, "orvelle-sim: cannot start bwrap: %s\n", strerror(errno));
        _exit(127);
    }
    return child;
}

}  // namespace sim
