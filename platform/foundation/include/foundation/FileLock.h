// An exclusive lock around a read-modify-write of a file that several
// programs change (the settings: the Settings app, the tool, the web
// simulator). The lock is a file of its own beside it ("X.plist.lock"); a
// wait is bounded, since a program that holds it for ever must not hold the
// others for ever too.
#pragma once

#include <string>

#include "foundation/Result.h"

namespace ns {

class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on an open lock file (the descriptor becomes the lock's),
    // waiting at most `seconds`; fails naming `shownPath` when it cannot.
    static Result<FileLock> take(int fd, const std::string& shownPath, double seconds);
    // Opens (or makes) `path` + ".lock" and takes it.
    static Result<FileLock> beside(const std::string& path, double seconds);

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace ns
