#include "device/Sandbox.h"

#include <filesystem>

#include "device/BuildTree.h"
#include "device/InsidePaths.h"

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

bool isBelow(const fs::path& child, const fs::path& parent) {
    auto rel = child.lexically_normal().lexically_relative(parent.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

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

std::vector<std::string> sandboxCommand(const Device& device, const SandboxOptions& options,
                                        const std::vector<std::string>& command) {
    std::vector<std::string> a{"bwrap", "--unshare-pid"};
    if (options.commandIsInit) a.push_back("--as-pid-1");
    if (options.dieWithParent) a.push_back("--die-with-parent");
    if (options.infoFd >= 0) a.insert(a.end(), {"--info-fd", std::to_string(options.infoFd)});

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

    std::string folder = options.workingFolder;
    if (folder.empty()) {
        std::error_code ec;
        folder = visibleInside(device, fs::current_path(ec).string());
        if (folder.empty()) folder = "/";
    }
    a.insert(a.end(), {"--chdir", folder});
    for (const auto& [name, value] : options.environment) a.insert(a.end(), {"--setenv", name, value});
    a.push_back("--");
    a.insert(a.end(), command.begin(), command.end());
    return a;
}

}  // namespace sim
