// log: the device log, once or followed. Followed, it is read as the log
// folder changes (the run loop wakes on the folder's events), across the
// supervisor's rotation to device.log.1.
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Args.h"
#include "Verbs.h"
#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "device/Failure.h"
#include "foundation/RunLoop.h"

namespace cli {

namespace {

// What is left to read of an open log, written out; answers false when
// standard output is gone.
bool copyRest(int fd) {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (std::fwrite(buffer, 1, static_cast<std::size_t>(n), stdout) != static_cast<std::size_t>(n)) return false;
    }
    return std::fflush(stdout) == 0;
}

class Follower {
public:
    explicit Follower(const sim::Device& device) : files_(device), path_(device.logFile()) {}

    // Copies what is new: the rest of the file it has open, then, when the
    // log was rotated (another file now has its name) or emptied, the new one
    // from its start.
    void poll() {
        if (!open_) reopen();
        if (open_) {
            struct stat now {};
            fstat(open_.get(), &now);
            if (lseek(open_.get(), 0, SEEK_CUR) > now.st_size) lseek(open_.get(), 0, SEEK_SET);  // emptied
            if (!copyRest(open_.get())) throw sim::Failure("cannot write to standard output");
        }
        auto current = files_.openForReading(path_);
        if (!current) return;
        struct stat a {}, b {};
        fstat(current->get(), &b);
        if (open_ && fstat(open_.get(), &a) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev) return;
        open_ = std::move(*current);  // rotated: the new log from its start
        if (!copyRest(open_.get())) throw sim::Failure("cannot write to standard output");
    }

private:
    // A log that is not there yet is nothing to show; one the tool must not
    // read (a link, a FIFO) is a failure.
    void reopen() {
        auto fd = files_.openForReading(path_);
        if (fd) {
            open_ = std::move(*fd);
            return;
        }
        std::error_code ec;
        if (std::filesystem::symlink_status(path_, ec).type() != std::filesystem::file_type::not_found)
            throw sim::Failure(fd.reason());
    }

    sim::DeviceFiles files_;
    std::filesystem::path path_;
    sim::UniqueFd open_;
};

}  // namespace

int logVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {"follow"});
    if (args.help()) return printUsage("log");
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    Follower follower(device);
    follower.poll();
    if (!args.flag("follow")) return 0;

    // The log folder's events wake the loop; a slow timer covers a folder
    // that is made again while followed.
    auto folder = sim::DeviceFiles(device).folder(device.logFolder(), false);
    if (!folder) throw sim::Failure(folder.reason());
    int events = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (events < 0) sim::failWithErrno("cannot watch " + device.logFolder().string());
    std::string watched = "/proc/self/fd/" + std::to_string(folder->get());
    if (inotify_add_watch(events, watched.c_str(), IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM) < 0)
        sim::failWithErrno("cannot watch " + device.logFolder().string());
    auto source = ns::RunLoop::main().watch(events, ns::RunLoop::Readable, "the log folder", [&](unsigned) {
        char buffer[4096];
        while (read(events, buffer, sizeof buffer) > 0) {
        }
        follower.poll();
    });
    id timer = ns::scheduledTimer(1, true, [&](const id&) { follower.poll(); }, "the log's slow check");
    ns::RunLoop::main().run();
    return 0;
}

}  // namespace cli
