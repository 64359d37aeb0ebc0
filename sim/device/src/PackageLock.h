// The package manager's lock of a device, held for a whole change. Only the
// process that takes it holds it: a program the change starts (a maintainer
// script, or what starts it) does not keep it, so the lock goes when this
// process ends, however it ends, and never stays with a script left running.
#pragma once

#include "device/Device.h"

namespace sim::pkg {

class PackageLock {
public:
    PackageLock() = default;
    explicit PackageLock(int fd);
    ~PackageLock();
    PackageLock(PackageLock&& other) noexcept;
    PackageLock& operator=(PackageLock&& other) noexcept;
    PackageLock(const PackageLock&) = delete;
    PackageLock& operator=(const PackageLock&) = delete;

private:
    void release();
    int fd_ = -1;  // closing it lets go of the lock
};

// Waits for the lock at most 30 s; fails naming the lock file.
PackageLock lockRecords(const Device& device);
// Takes the lock when it is free now; false when another change holds it.
bool tryLockRecords(const Device& device, PackageLock& lock);

}  // namespace sim::pkg
