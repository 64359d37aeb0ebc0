// The tool's only way to the files of a device folder. A device runs code
// nobody here wrote and can plant anything in its own trees, so every path is
// opened beneath the device folder without following a link (a link where a
// file, folder or socket is expected is refused with a clear message), only
// regular files are read, and every read is bounded. Writes replace whole
// files, made the device user's, and never land outside the device folder.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Device.h"
#include "foundation/FileLock.h"
#include "foundation/Result.h"
#include "foundation/UniqueFd.h"

namespace sim {

using ns::UniqueFd;

class DeviceFiles {
public:
    // The largest file the tool reads from a device unless told otherwise.
    static constexpr std::size_t kDefaultLimit = 16 * 1024 * 1024;

    explicit DeviceFiles(const Device& device);

    // A regular file's bytes; refused for a link, a FIFO or device, a folder,
    // or a file larger than `limit` (checked before reading).
    ns::Result<std::string> read(const std::filesystem::path& path, std::size_t limit = kDefaultLimit) const;
    // The last `bytes` of a regular file at most (a log's tail).
    ns::Result<std::string> readTail(const std::filesystem::path& path, std::size_t bytes) const;
    // Whether a regular file is there (a link or anything else is not one).
    bool isFile(const std::filesystem::path& path) const;
    // Replaces a file whole, making its missing folders; both become the
    // device user's. `mode`: the new file's permission bits (else it keeps the old one's).
    ns::Result<> replace(const std::filesystem::path& path, std::string_view bytes,
                         std::optional<unsigned> mode = std::nullopt) const;
    ns::Result<> remove(const std::filesystem::path& path) const;
    // Removes a folder when it is empty; false when it holds something or is not there.
    ns::Result<bool> removeEmptyFolder(const std::filesystem::path& path) const;
    // What is at a path, a link itself rather than what it names; nothing
    // when there is nothing (nor a folder above it).
    ns::Result<std::optional<struct stat>> status(const std::filesystem::path& path) const;
    // An open regular file for reading from `offset` on (a log followed), and
    // the file's identity, to tell a rotation.
    ns::Result<UniqueFd> openForReading(const std::filesystem::path& path) const;
    // A regular file opened for appending (made when missing, the device user's).
    ns::Result<UniqueFd> openForAppending(const std::filesystem::path& path) const;
    // The lock beside a file (its ".lock"), as the device's programs take it
    // around a change of the file, waiting at most `seconds`.
    ns::Result<ns::FileLock> lockBeside(const std::filesystem::path& path, double seconds) const;
    // A socket file, opened as a path: connect to "/proc/self/fd/N" of it.
    ns::Result<UniqueFd> openSocket(const std::filesystem::path& path) const;
    // The names of the regular files in a folder (never through a link), at
    // most `most` of them; empty for a folder that is not there.
    ns::Result<std::vector<std::string>> list(const std::filesystem::path& folder, std::size_t most = 10000) const;
    // A folder, made when missing (with its parents), the device user's.
    ns::Result<UniqueFd> folder(const std::filesystem::path& path, bool make) const;

    const Device& device() const { return device_; }

private:
    // `path` is absolute within the device folder or relative to it.
    std::filesystem::path relative(const std::filesystem::path& path) const;
    ns::Result<UniqueFd> open(const std::filesystem::path& path, int flags, int mode = 0) const;
    ns::Result<UniqueFd> root() const;
    // Makes the lock file beside a file if it is missing; a lock placed first stays.
    ns::Result<> placeLock(const UniqueFd& parent, const std::filesystem::path& lockPath) const;

    Device device_;
};

}  // namespace sim
