#include "foundation/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace ns {

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Result<FileLock> FileLock::take(int fd, const std::string& shownPath, double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            int error = errno;
            ::close(fd);
            return fail("cannot lock " + shownPath + ": " + std::strerror(error));
        }
        if (Clock::now() >= deadline) {
            ::close(fd);
            return fail("cannot lock " + shownPath + ": another program has held it for " +
                        std::to_string(static_cast<int>(seconds)) + " s; nothing was changed");
        }
        // Short pauses: flock queues no one who polls, so a waiter that slept
        // long would lose the lock to every writer arriving meanwhile.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(2));
    }
    return FileLock(fd);
}

Result<FileLock> FileLock::beside(const std::string& path, double seconds) {
    const std::string lockPath = path + ".lock";
    // Read-only: flock needs no more, so a lock file another user made (and
    // others may read) locks as well as one's own.
    int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return fail("cannot open " + lockPath + ": " + std::strerror(errno));
    return take(fd, lockPath, seconds);
}

}  // namespace ns
