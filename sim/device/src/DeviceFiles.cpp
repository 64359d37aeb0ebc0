#include "device/DeviceFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/DeviceUser.h"
#include "foundation/FileReplace.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// Beneath the folder, never through a link of any kind.
int openBeneath(int folder, const std::string& path, std::uint64_t flags, std::uint64_t mode) {
    open_how how{};
    how.flags = flags | O_CLOEXEC;
    how.mode = mode;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    return static_cast<int>(syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how));
}

std::string why(const fs::path& shown, int error) {
    if (error == ELOOP) return shown.string() + " is a link, and the tool follows no link inside a device";
    if (error == EXDEV) return shown.string() + " leads out of the device folder";
    return shown.string() + ": " + std::strerror(error);
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISLNK(mode)) return "a link";
    return "not a regular file";
}

}  // namespace

DeviceFiles::DeviceFiles(const Device& device) : device_(device) {}

fs::path DeviceFiles::relative(const fs::path& path) const {
    fs::path p = path.lexically_normal();
    if (p.is_absolute()) p = p.lexically_relative(device_.folder());
    return p;
}

ns::Result<UniqueFd> DeviceFiles::root() const {
    int fd = ::open(device_.folder().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return ns::fail("cannot open the device folder " + why(device_.folder(), errno));
    return UniqueFd(fd);
}

ns::Result<UniqueFd> DeviceFiles::open(const fs::path& path, int flags, int mode) const {
    fs::path rel = relative(path);
    fs::path shown = device_.folder() / rel;
    if (rel.empty() || *rel.begin() == "..") return ns::fail(shown.string() + " is outside the device folder");
    auto top = root();
    if (!top) return ns::fail(top.reason());
    int fd = openBeneath(top->get(), rel.string(), static_cast<std::uint64_t>(flags), static_cast<std::uint64_t>(mode));
    if (fd < 0) return ns::fail("cannot open " + why(shown, errno));
    return UniqueFd(fd);
}

ns::Result<UniqueFd> DeviceFiles::openForReading(const fs::path& path) const {
    // Non-blocking, so a FIFO in the place of the file cannot hold the tool.
    auto fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!fd) return fd;
    struct stat st {};
    if (fstat(fd->get(), &st) != 0) return ns::fail("cannot read " + (device_.folder() / relative(path)).string());
    if (!S_ISREG(st.st_mode))
        return ns::fail("cannot read " + (device_.folder() / relative(path)).string() + ": it is " + kindOf(st.st_mode));
    int flags = fcntl(fd->get(), F_GETFL);
    fcntl(fd->get(), F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

ns::Result<std::string> DeviceFiles::read(const fs::path& path, std::size_t limit) const {
    auto fd = openForReading(path);
    if (!fd) return ns::fail(fd.reason());
    const std::string shown = (device_.folder() / relative(path)).string();
    struct stat st {};
    fstat(fd->get(), &st);
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        return ns::fail("cannot read " + shown + ": " + std::to_string(st.st_size) + " bytes, more than the " +
                        std::to_string(limit) + " the tool reads");
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd->get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ns::fail("cannot read " + shown + ": " + std::strerror(errno));
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            return ns::fail("cannot read " + shown + ": it grew beyond the " + std::to_string(limit) + " bytes the tool reads");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

ns::Result<std::string> DeviceFiles::readTail(const fs::path& path, std::size_t tail) const {
    auto fd = openForReading(path);
    if (!fd) return ns::fail(fd.reason());
    struct stat st {};
    fstat(fd->get(), &st);
    off_t from = st.st_size > static_cast<off_t>(tail) ? st.st_size - static_cast<off_t>(tail) : 0;
    std::string bytes(static_cast<std::size_t>(st.st_size - from), '\0');
    ssize_t n = pread(fd->get(), bytes.data(), bytes.size(), from);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

bool DeviceFiles::isFile(const fs::path& path) const {
    auto fd = open(path, O_PATH);
    if (!fd) return false;
    struct stat st {};
    return fstat(fd->get(), &st) == 0 && S_ISREG(st.st_mode);
}

ns::Result<UniqueFd> DeviceFiles::folder(const fs::path& path, bool make) const {
    fs::path rel = relative(path);
    auto current = root();
    if (!current) return current;
    fs::path walked;
    for (const fs::path& part : rel) {
        if (part == "." || part.empty()) continue;
        walked /= part;
        fs::path shown = device_.folder() / walked;
        if (part == "..") return ns::fail(shown.string() + " is outside the device folder");
        int fd = openBeneath(current->get(), part.string(), O_PATH | O_DIRECTORY, 0);
        if (fd < 0 && errno == ENOENT && make) {
            if (mkdirat(current->get(), part.c_str(), 0755) != 0 && errno != EEXIST)
                return ns::fail("cannot make " + why(shown, errno));
            giveToDeviceUser(current->get(), part.string());
            fd = openBeneath(current->get(), part.string(), O_PATH | O_DIRECTORY, 0);
        }
        if (fd < 0) return ns::fail((errno == ENOTDIR ? shown.string() + " is not a folder" : "cannot open " + why(shown, errno)));
        current = UniqueFd(fd);
    }
    return current;
}

ns::Result<std::vector<std::string>> DeviceFiles::list(const fs::path& path, std::size_t most) const {
    std::vector<std::string> names;
    auto dir = folder(path, false);
    if (!dir) {
        std::error_code ec;
        if (fs::symlink_status(device_.folder() / relative(path), ec).type() == fs::file_type::not_found) return names;
        return ns::fail(dir.reason());
    }
    int listing = openat(dir->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return ns::fail("cannot read " + why(device_.folder() / relative(path), errno));
    DIR* d = fdopendir(listing);
    if (!d) {
        close(listing);
        return ns::fail("cannot read " + why(device_.folder() / relative(path), errno));
    }
    while (dirent* e = readdir(d)) {
        struct stat st {};
        if (fstatat(listing, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        names.emplace_back(e->d_name);
        if (names.size() >= most) break;
    }
    closedir(d);
    return names;
}

ns::Result<> DeviceFiles::replace(const fs::path& path, std::string_view bytes, std::optional<unsigned> mode) const {
    fs::path rel = relative(path);
    if (!rel.has_filename()) return ns::fail((device_.folder() / rel).string() + " is not a file name");
    auto parent = folder(rel.parent_path(), true);
    if (!parent) return ns::fail(parent.reason());
    // The writable descriptor of the folder itself (an O_PATH one cannot hold files).
    int dir = openBeneath(parent->get(), ".", O_RDONLY | O_DIRECTORY, 0);
    if (dir < 0) return ns::fail("cannot open " + why(device_.folder() / rel.parent_path(), errno));
    UniqueFd folderFd(dir);
    const std::string shown = (device_.folder() / rel).string();
    auto written = ns::replaceFileAt(folderFd.get(), rel.filename().string(), bytes, shown);
    if (!written) return written;
    if (mode) {
        // Through the file itself, never a link the device put in its place meanwhile.
        UniqueFd file(openat(folderFd.get(), rel.filename().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!file || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            fchmod(file.get(), static_cast<mode_t>(*mode & 0777)) != 0)
            return ns::fail("cannot set the permissions of " + why(shown, errno ? errno : EINVAL));
    }
    giveToDeviceUser(folderFd.get(), rel.filename().string());
    return {};
}

ns::Result<bool> DeviceFiles::removeEmptyFolder(const fs::path& path) const {
    fs::path rel = relative(path);
    if (!rel.has_filename()) return ns::fail((device_.folder() / rel).string() + " is not a folder's name");
    auto parent = folder(rel.parent_path(), false);
    if (!parent) return false;
    if (unlinkat(parent->get(), rel.filename().c_str(), AT_REMOVEDIR) == 0) return true;
    if (errno == ENOENT || errno == ENOTEMPTY || errno == EEXIST) return false;
    return ns::fail("cannot remove " + why(device_.folder() / rel, errno));
}

ns::Result<std::optional<struct stat>> DeviceFiles::status(const fs::path& path) const {
    auto fd = open(path, O_PATH | O_NOFOLLOW);
    // Missing at the open yet there at the second look: another program
    // placed it meanwhile (a writer's lock), so it is looked at again.
    for (int look = 0; !fd && look < 3; ++look) {
        std::error_code ec;
        auto kind = fs::symlink_status(device_.folder() / relative(path), ec).type();
        if (kind == fs::file_type::not_found) return std::optional<struct stat>();
        if (look == 2) return ns::fail(fd.reason());
        fd = open(path, O_PATH | O_NOFOLLOW);
    }
    struct stat st {};
    if (fstat(fd->get(), &st) != 0) return ns::fail("cannot look at " + why(device_.folder() / relative(path), errno));
    return std::optional<struct stat>(st);
}

ns::Result<> DeviceFiles::remove(const fs::path& path) const {
    fs::path rel = relative(path);
    auto parent = folder(rel.parent_path(), false);
    if (!parent) return ns::fail(parent.reason());
    if (unlinkat(parent->get(), rel.filename().c_str(), 0) != 0 && errno != ENOENT)
        return ns::fail("cannot remove " + why(device_.folder() / rel, errno));
    return {};
}

ns::Result<UniqueFd> DeviceFiles::openForAppending(const fs::path& path) const {
    auto parent = folder(relative(path).parent_path(), true);
    if (!parent) return ns::fail(parent.reason());
    auto fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY, 0644);
    if (!fd) return fd;
    struct stat st {};
    if (fstat(fd->get(), &st) != 0 || !S_ISREG(st.st_mode))
        return ns::fail("cannot write " + (device_.folder() / relative(path)).string() + ": it is " + kindOf(st.st_mode));
    fcntl(fd->get(), F_SETFL, O_APPEND);
    giveToDeviceUser(fd->get());
    return fd;
}

ns::Result<> DeviceFiles::placeLock(const UniqueFd& parent, const fs::path& lockPath) const {
    auto there = status(lockPath);
    if (!there) return ns::fail(there.reason());
    if (*there) return {};
    // A new lock comes into place already the device user's: a program
    // of the device opening it meanwhile never meets a file of the tool's.
    int dir = openBeneath(parent.get(), ".", O_RDONLY | O_DIRECTORY, 0);
    if (dir < 0) return ns::fail("cannot open " + why(device_.folder() / lockPath.parent_path(), errno));
    UniqueFd folderFd(dir);
    const std::string name = lockPath.filename().string(), fresh = name + ".new-" + std::to_string(getpid());
    UniqueFd made(openat(dir, fresh.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!made) return ns::fail("cannot make " + why(device_.folder() / lockPath, errno));
    fchmod(made.get(), 0644);
    giveToDeviceUser(made.get());
    // Another writer's lock that came first stays.
    if (renameat2(dir, fresh.c_str(), dir, name.c_str(), RENAME_NOREPLACE) != 0) unlinkat(dir, fresh.c_str(), 0);
    return {};
}

ns::Result<ns::FileLock> DeviceFiles::lockBeside(const fs::path& path, double seconds) const {
    fs::path lockPath = relative(path);
    lockPath += ".lock";
    auto parent = folder(lockPath.parent_path(), true);
    if (!parent) return ns::fail(parent.reason());
    auto placed = placeLock(*parent, lockPath);
    if (!placed) return ns::fail(placed.reason());
    auto fd = open(lockPath, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!fd) return ns::fail(fd.reason());
    struct stat st {};
    if (fstat(fd->get(), &st) != 0 || !S_ISREG(st.st_mode))
        return ns::fail("cannot lock " + (device_.folder() / lockPath).string() + ": it is " + kindOf(st.st_mode));
    return ns::FileLock::take(fd->release(), (device_.folder() / lockPath).string(), seconds);
}

ns::Result<UniqueFd> DeviceFiles::openSocket(const fs::path& path) const {
    auto fd = open(path, O_PATH);
    if (!fd) return fd;
    struct stat st {};
    if (fstat(fd->get(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return ns::fail((device_.folder() / relative(path)).string() + " is not a socket but " + kindOf(st.st_mode));
    return fd;
}

}  // namespace sim
