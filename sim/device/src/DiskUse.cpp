#include "device/DiskUse.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/UniqueFd.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// As a headless copy of the device allows: what fits the bound fits a copy.
constexpr std::uint64_t kMostEntries = 200000;
constexpr int kDeepest = 64;

constexpr std::uint64_t kMiB = 1024 * 1024;

class Walk {
public:
    Walk(std::uint64_t stopAbove, DiskUse& use) : stopAbove_(stopAbove), use_(use) {}

    void top(const fs::path& path) {
        if (!use_.stoppedBecause.empty()) return;
        ns::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            // A tree the device has not made yet takes nothing.
            if (errno != ENOENT) stop("cannot read " + path.string() + ": " + std::strerror(errno));
            return;
        }
        folder(fd.release(), path, 0);
    }

private:
    void stop(std::string why) {
        if (use_.stoppedBecause.empty()) use_.stoppedBecause = std::move(why);
    }

    // Takes `fd`, an open folder, and closes it.
    void folder(int fd, const fs::path& where, int depth) {
        DIR* dir = fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return stop("cannot read " + where.string() + ": " + std::strerror(errno));
        }
        struct Closer {
            DIR* d;
            ~Closer() { closedir(d); }
        } closer{dir};
        while (use_.stoppedBecause.empty()) {
            errno = 0;
            dirent* e = readdir(dir);
            if (!e) {
                if (errno != 0) stop("cannot read " + where.string() + ": " + std::strerror(errno));
                return;
            }
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            if (++use_.entries > kMostEntries)
                return stop("it holds more than " + std::to_string(kMostEntries) + " files");
            struct stat st {};
            // Gone since it was listed: a file its program removed meanwhile.
            if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            use_.bytes += static_cast<std::uint64_t>(st.st_blocks) * 512;
            if (use_.bytes > stopAbove_) return stop("past the bound");
            if (!S_ISDIR(st.st_mode)) continue;
            if (depth + 1 > kDeepest)
                return stop((where / e->d_name).string() + " is nested deeper than " + std::to_string(kDeepest) +
                            " folders");
            int sub = openat(dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            // Swapped for something else since it was listed: its blocks are counted where it is now.
            if (sub < 0) continue;
            folder(sub, where / e->d_name, depth + 1);
        }
    }

    std::uint64_t stopAbove_;
    DiskUse& use_;
};

std::uint64_t boundOf(const DeviceLimits& limits) { return static_cast<std::uint64_t>(limits.diskMiB) * kMiB; }

std::string mib(std::uint64_t bytes) { return std::to_string((bytes + kMiB - 1) / kMiB) + " MiB"; }

}  // namespace

DiskUse measureDiskUse(const Device& device, std::uint64_t stopAbove) {
    DiskUse use;
    Walk walk(stopAbove, use);
    for (const fs::path& tree : {device.varFolder(), device.libraryFolder(), device.runFolder()}) walk.top(tree);
    return use;
}

std::optional<std::string> diskOverrun(const Device& device, const DeviceLimits& limits, std::uint64_t* headroom) {
    DiskUse use = measureDiskUse(device, boundOf(limits));
    if (headroom) *headroom = use.bytes < boundOf(limits) ? boundOf(limits) - use.bytes : 0;
    if (use.stoppedBecause.empty()) return std::nullopt;
    const std::string bound =
        "its disk bound of " + std::to_string(limits.diskMiB) + " MiB (diskLimitMiB in its profile)";
    if (use.bytes > boundOf(limits)) return "its files take more than " + bound;
    return "its files cannot be held to " + bound + ": " + use.stoppedBecause;
}

double nextDiskLook(std::uint64_t headroom, double lookSeconds) {
    // A fast solid-state disk takes about this much a second.
    constexpr double kFastestWriting = 2.0 * 1024 * 1024 * 1024;
    const double soonest = std::max(0.02, 20 * lookSeconds);
    return std::clamp(static_cast<double>(headroom) / kFastestWriting, soonest, std::max(soonest, 0.5));
}

std::string describeDiskUse(const Device& device, const DeviceLimits& limits) {
    DiskUse use = measureDiskUse(device, boundOf(limits));
    if (use.stoppedBecause.empty()) return mib(use.bytes) + " of " + std::to_string(limits.diskMiB) + " MiB";
    if (use.bytes > boundOf(limits)) return "more than " + std::to_string(limits.diskMiB) + " MiB, past its bound";
    return "not measured (" + use.stoppedBecause + ")";
}

}  // namespace sim
