#include "device/Sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "device/Boot.h"
#include "device/BuildTree.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Process.h"

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
constexpr int kPidNamespaceFd = 4;

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

// While a program runs, a Ctrl-C reaches it (same process group), not the tool.
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

}  // namespace

Environment deviceEnvironment(const Profile& profile, const std::string& locale, const std::string& timeZone,
                              const std::string& time) {
    const std::string& zone = timeZone.empty() ? profile.timeZone : timeZone;
    Environment e{
        {"PATH", "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"},
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
            // The supervisor is the namespace's first process and reaps every orphan.
            a.insert(a.end(), {"--unshare-pid", "--as-pid-1"});
            break;
        case Entry::Fresh:
            a.insert(a.end(), {"--unshare-pid", "--die-with-parent"});
            break;
        case Entry::Join:
            a.insert(a.end(), {"--pidns", std::to_string(kPidNamespaceFd), "--die-with-parent"});
            break;
    }
    if (spec.entry == Entry::Boot && spec.infoFd >= 0) a.insert(a.end(), {"--info-fd", std::to_string(kInfoFd)});

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
    a.insert(a.end(), {"--proc", "/proc", "--dev", "/dev", "--tmpfs", "/tmp"});

    a.insert(a.end(), {"--bind", device.varFolder().string(), "/var"});
    a.insert(a.end(), {"--bind", device.libraryFolder().string(), "/Library"});
    a.insert(a.end(), {"--ro-bind", device.profileFile().string(), inside::kProfile});
    a.insert(a.end(), {"--bind", device.runFolder().string(), inside::kRunFolder});
    a.insert(a.end(), {"--bind", device.logFolder().string(), inside::kLogFolder});
    // Programs and libraries keep their absolute paths (RPATHs, tests).
    a.insert(a.end(), {"--ro-bind", buildFolder().string(), buildFolder().string()});

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

pid_t launch(const Device& device, const LaunchSpec& spec) {
    if (spec.command.empty()) throw Failure("no command to run in " + device.folder().string());
    int pidNamespace = -1;
    if (spec.entry == Entry::Join) {
        if (!spec.booted) throw Failure(device.folder().string() + " is not booted");
        std::string ns = "/proc/" + std::to_string(spec.booted->supervisor) + "/ns/pid";
        pidNamespace = open(ns.c_str(), O_RDONLY | O_CLOEXEC);
        if (pidNamespace < 0)
            failWithErrno("cannot reach the processes of " + device.folder().string() + " (supervisor pid " +
                          std::to_string(spec.booted->supervisor) + ")");
    }
    auto args = sandboxCommand(device, spec);
    auto argv = argvOf(args);
    pid_t child = fork();
    if (child < 0) {
        int error = errno;
        if (pidNamespace >= 0) close(pidNamespace);
        errno = error;
        failWithErrno("cannot start the sandbox of " + device.folder().string());
    }
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        // The device outlives this command in a session of its own.
        if (spec.entry == Entry::Boot) setsid();
        // The descriptors bubblewrap reads go to fixed numbers above the
        // standard three, out of the way of the dups below.
        int info = spec.infoFd >= 0 ? fcntl(spec.infoFd, F_DUPFD, 10) : -1;
        int pidns = pidNamespace >= 0 ? fcntl(pidNamespace, F_DUPFD, 10) : -1;
        for (auto [from, to] : {std::pair{spec.stdinFd, 0}, std::pair{spec.stdoutFd, 1}, std::pair{spec.stderrFd, 2}})
            if (from >= 0) dup2(from, to);
        if (info >= 0) dup2(info, kInfoFd);
        if (pidns >= 0) dup2(pidns, kPidNamespaceFd);
        close_range(std::max(kInfoFd, kPidNamespaceFd) + 1, ~0U, 0);
        if (info < 0) close(kInfoFd);
        if (pidns < 0) close(kPidNamespaceFd);
        execvp("bwrap", argv.data());
        dprintf(2, "orvelle-sim: cannot start bwrap: %s\n", strerror(errno));
        _exit(127);
    }
    if (pidNamespace >= 0) close(pidNamespace);
    return child;
}

int runToEnd(const Device& device, const LaunchSpec& spec) {
    IgnoreInterrupts quiet;
    return waitFor(launch(device, spec));
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
