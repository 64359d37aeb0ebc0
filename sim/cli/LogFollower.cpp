#include "LogFollower.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "wire/Failure.h"

namespace cli {

namespace {

// Where the tail of an open log begins, and whether anything was left out.
std::pair<off_t, bool> tailStart(int fd, const LogTail& tail) {
    struct stat st {};
    if (tail.all || fstat(fd, &st) != 0) return {0, false};
    off_t end = st.st_size, at = end;
    std::size_t newlines = 0;
    char buffer[65536];
    while (at > 0) {
        off_t from = at > static_cast<off_t>(sizeof buffer) ? at - static_cast<off_t>(sizeof buffer) : 0;
        ssize_t n = pread(fd, buffer, static_cast<std::size_t>(at - from), from);
        if (n <= 0) return {0, false};
        for (ssize_t i = n - 1; i >= 0; --i) {
            off_t position = from + i;
            if (buffer[i] != '\n' || position == end - 1) continue;  // the last line's own end
            if (++newlines == tail.lines) return {position + 1, true};
        }
        at = from;
        if (tail.bytes && static_cast<std::size_t>(end - at) >= tail.bytes) {
            // At most `bytes`, from the start of the first line within them.
            off_t limit = end - static_cast<off_t>(tail.bytes);
            if (limit == 0) return {0, false};
            std::string window(tail.bytes + 1, '\0');
            ssize_t got = pread(fd, window.data(), window.size(), limit - 1);
            if (got <= 0) return {limit, true};
            auto newline = window.find('\n');
            bool within = newline != std::string::npos && newline + 1 < static_cast<std::size_t>(got);
            return {within ? limit - 1 + static_cast<off_t>(newline) + 1 : limit, true};
        }
    }
    return {0, false};
}

}  // namespace

LogFollower::LogFollower(const sim::Device& device, LogTail tail, Sink sink)
    : files_(device), device_(device), path_(device.logFile()), tail_(tail), sink_(std::move(sink)) {}

LogFollower::~LogFollower() = default;

// What is left to read of the open log, to the sink.
void LogFollower::copyRest() {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(open_.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sink_(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
}

// Copies what is new: the rest of the file it has open, then, when the log
// was rotated (another file now has its name) or emptied, the new one from
// its start.
void LogFollower::poll() {
    if (!open_) reopen();
    if (open_) {
        struct stat now {};
        fstat(open_.get(), &now);
        if (lseek(open_.get(), 0, SEEK_CUR) > now.st_size) lseek(open_.get(), 0, SEEK_SET);  // emptied
        copyRest();
    }
    auto current = files_.openForReading(path_);
    if (!current) return;
    struct stat a {}, b {};
    fstat(current->get(), &b);
    if (open_ && fstat(open_.get(), &a) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev) return;
    open_ = std::move(*current);  // rotated: the new log from its start
    copyRest();
}

void LogFollower::reopen() {
    auto fd = files_.openForReading(path_);
    if (fd) {
        open_ = std::move(*fd);
        if (first_) {
            auto [start, cut] = tailStart(open_.get(), tail_);
            lseek(open_.get(), start, SEEK_SET);
            leftOut_ = cut;
        }
        first_ = false;
        return;
    }
    std::error_code ec;
    if (std::filesystem::symlink_status(path_, ec).type() != std::filesystem::file_type::not_found)
        throw sim::Failure(fd.reason());
}

void LogFollower::follow() {
    auto folder = files_.folder(device_.logFolder(), false);
    if (!folder) throw sim::Failure(folder.reason());
    events_ = sim::UniqueFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!events_) sim::failWithErrno("cannot watch " + device_.logFolder().string());
    std::string watched = "/proc/self/fd/" + std::to_string(folder->get());
    if (inotify_add_watch(events_.get(), watched.c_str(), IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM) < 0)
        sim::failWithErrno("cannot watch " + device_.logFolder().string());
    source_ = ns::RunLoop::main().watch(events_.get(), ns::RunLoop::Readable, "the log folder", [this](unsigned) {
        char buffer[4096];
        while (read(events_.get(), buffer, sizeof buffer) > 0) {
        }
        poll();
    });
    slow_ = ns::Timer::every(1, "the log's slow check", [this] { poll(); });
}

}  // namespace cli
