#include "PackageLock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "PackageRecords.h"
#include "wire/Failure.h"

namespace sim::pkg {

namespace {

constexpr int kLockSeconds = 30;

// The locks this process holds. A child forked without a new program (the
// way into a booted device forks one that waits for the script) would share
// them; it lets go of its share at once, so only this process holds them.
std::atomic<int> held[16];

void forgetHeldInChild() {
    // Forgotten too: the child may reuse the number, and fork again.
    for (auto& fd : held) {
        int f = fd.exchange(-1);
        if (f >= 0) close(f);
    }
}

void remember(int fd) {
    static const bool registered = [] {
        for (auto& f : held) f.store(-1);
        pthread_atfork(nullptr, nullptr, forgetHeldInChild);
        return true;
    }();
    (void)registered;
    for (auto& f : held) {
        int none = -1;
        if (f.compare_exchange_strong(none, fd)) return;
    }
    close(fd);
    throw Failure("cannot lock the package records: too many locks held at once");
}

void forget(int fd) {
    for (auto& f : held) {
        int expected = fd;
        if (f.compare_exchange_strong(expected, -1)) return;
    }
}

std::string lockPath(const Device& device) { return statusFile(device).string() + ".lock"; }

int openLockFile(const Device& device) {
    std::error_code ec;
    std::filesystem::create_directories(infoFolder(device), ec);
    if (ec) throw Failure("cannot make " + infoFolder(device).string() + ": " + ec.message());
    int fd = open(lockPath(device).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) failWithErrno("cannot open " + lockPath(device));
    return fd;
}

// True when taken; false when another holds it.
bool take(int fd, const std::string& path) {
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return false;
        failWithErrno("cannot lock " + path);
    }
    return true;
}

}  // namespace

PackageLock::PackageLock(int fd) : fd_(fd) { remember(fd); }

PackageLock::~PackageLock() { release(); }

PackageLock::PackageLock(PackageLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

PackageLock& PackageLock::operator=(PackageLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void PackageLock::release() {
    if (fd_ < 0) return;
    forget(fd_);
    close(fd_);
    fd_ = -1;
}

// Each lock is known as held from its opening on, before a fork of another
// thread could share it.
PackageLock lockRecords(const Device& device) {
    int fd = openLockFile(device);
    PackageLock lock(fd);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(kLockSeconds);
    auto pause = std::chrono::milliseconds(1);
    while (!take(fd, lockPath(device))) {
        if (Clock::now() >= deadline)
            throw Failure("cannot lock " + lockPath(device) + ": another package change has held it for " +
                          std::to_string(kLockSeconds) + " s; nothing was changed");
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return lock;
}

bool tryLockRecords(const Device& device, PackageLock& lock) {
    int fd = openLockFile(device);
    PackageLock mine(fd);
    if (!take(fd, lockPath(device))) return false;
    lock = std::move(mine);
    return true;
}

}  // namespace sim::pkg
