// The bubblewrap command of a new sandbox, the device's environment, and
// which of the caller's folders a program inside sees.
#include "device/Sandbox.h"

#include <filesystem>

#include "SandboxParts.h"
#include "device/DeviceUser.h"
#include "device/BuildTree.h"
#include "wire/Failure.h"
#include "wire/InsidePaths.h"

namespace sim {

namespace fs = std::filesystem;
using namespace sandbox;

namespace {

// What the programs need of the machine's /etc: fonts, the loader's cache,
// users and groups, the zone database link, alternatives of /usr/bin programs.
const char* const kEtcEntries[] = {
    "/etc/fonts", "/etc/ld.so.cache", "/etc/ld.so.conf", "/etc/ld.so.conf.d", "/etc/passwd", "/etc/group",
    "/etc/nsswitch.conf", "/etc/localtime", "/etc/timezone", "/etc/alternatives", "/etc/ssl",
};

// Top-level names that a merged-/usr system links into /usr.
const char* const kUsrLinks[] = {"bin", "sbin", "lib", "lib32", "lib64", "libx32"};

// The device's /tmp: a program cannot fill the machine's memory through it.
constexpr const char* kTmpBytes = "536870912";

bool isBelow(const fs::path& child, const fs::path& parent) {
    auto rel = child.lexically_normal().lexically_relative(parent.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
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
        {"USER", "mobile"},
        {"LOGNAME", "mobile"},
        {"SHELL", "/bin/sh"},
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
    // The device's environment alone, whatever bubblewrap itself was given.
    a.push_back("--clearenv");
    for (const auto& [name, value] : spec.environment) a.insert(a.end(), {"--setenv", name, value});
    a.push_back("--");
    a.insert(a.end(), spec.command.begin(), spec.command.end());
    return a;
}

}  // namespace sim
