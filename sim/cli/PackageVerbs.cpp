// install, packages and remove: the device's package manager.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Args.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "device/DeviceFiles.h"
#include "wire/Failure.h"
#include "device/Install.h"
#include "device/Packages.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

void printChange(const sim::PackageChange& change) {
    if (change.written.empty() && change.removed.empty() && change.previousVersion == change.version) {
        std::printf("%s %s is installed; nothing changed\n", sim::terminalSafe(change.package).c_str(),
                    sim::terminalSafe(change.version).c_str());
        return;
    }
    std::string was = change.previousVersion.empty() ? "" : " (was " + sim::terminalSafe(change.previousVersion) + ")";
    std::printf("%s %s installed%s%s\n", sim::terminalSafe(change.package).c_str(), sim::terminalSafe(change.version).c_str(),
                was.c_str(),
                change.resprung ? "; SpringBoard restarted" : "");
}

// What tells a package file's new build from the one installed last.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

Stamp stampOf(const fs::path& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool installOnce(const sim::Device& device, const fs::path& file) {
    try {
        printChange(sim::installPackage(device, file));
        std::fflush(stdout);
        return true;
    } catch (const sim::Failure& e) {
        std::fprintf(stderr, "orvelle-sim install: %s\n", sim::terminalSafe(e.what()).c_str());
        return false;
    }
}

// Installs the package, then again whenever its file is written anew, until
// Ctrl-C. A build writes the file whole and renames it into place, and a
// package that fails to install is reported and waited out.
int watch(const sim::Device& device, const fs::path& given) {
    fs::path file = fs::absolute(given);
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    sim::UniqueFd signals(signalfd(-1, &stops, SFD_CLOEXEC));
    sim::UniqueFd changes(inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (!signals || !changes) sim::failWithErrno("cannot watch " + file.string());
    if (inotify_add_watch(changes.get(), file.parent_path().c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0)
        sim::failWithErrno("cannot watch " + file.parent_path().string());

    Stamp installed = stampOf(file);
    installOnce(device, file);
    std::printf("watching %s; Ctrl-C stops\n", file.string().c_str());
    std::fflush(stdout);
    for (;;) {
        pollfd watched[2] = {{signals.get(), POLLIN, 0}, {changes.get(), POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            sim::failWithErrno("cannot watch " + file.string());
        }
        if (watched[0].revents) return 0;
        // Drains the events; whether any was this file's, its stamp tells.
        alignas(inotify_event) char buffer[4096];
        while (read(changes.get(), buffer, sizeof buffer) > 0) {
        }
        // A file still being written settles first.
        Stamp now = stampOf(file);
        for (int settled = 0; settled < 50; ++settled) {
            usleep(100 * 1000);
            Stamp later = stampOf(file);
            if (later == now) break;
            now = later;
        }
        if (now.size < 0 || now == installed) continue;
        installed = now;
        installOnce(device, file);
    }
}

}  // namespace

int installVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {"watch"});
    if (args.help()) return printUsage("install");
    if (args.positionals().size() != 2) args.expectPositionals(1, "DEVICE [FILE.deb]");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    if (args.positionals().size() == 2) {
        fs::path file = args.positionals()[1];
        if (args.flag("watch")) return watch(device, file);
        printChange(sim::installPackage(device, file));
        return 0;
    }
    if (args.flag("watch")) throw UsageError("--watch needs a package file to watch");
    auto result = sim::installDeliverables(device, sim::readProfile(device.profileFile()));
    report(result);
    if (result.changes.empty()) throw sim::Failure("nothing to install: build the packages first");
    for (const auto& change : result.changes) printChange(change);
    return 0;
}

int packagesVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("packages");
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    for (const auto& p : sim::installedPackages(device)) {
        std::string title = p.control["Name"];
        std::printf("%s %s%s%s\n", sim::terminalSafe(p.name()).c_str(), sim::terminalSafe(p.version()).c_str(),
                    title.empty() ? "" : " ", sim::terminalSafe(title).c_str());
    }
    return 0;
}

int removeVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("remove");
    args.expectPositionals(2, "DEVICE PACKAGE");
    sim::Device device(args.positionals()[0]);
    auto change = sim::removePackage(device, args.positionals()[1]);
    std::printf("%s %s removed%s\n", sim::terminalSafe(change.package).c_str(),
                sim::terminalSafe(change.previousVersion).c_str(),
                change.resprung ? "; SpringBoard restarted" : "");
    return 0;
}

}  // namespace cli
