#include "foundation/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string_view>

namespace ns {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The old file's permissions, else what the umask allows of rw-rw-rw-, so a
// file written by one program stays readable by the others.
mode_t modeFor(int folder, const std::string& name) {
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

constexpr std::string_view kTemporarySuffix = ".tmp";

// Whether `entry` is a temporary of `name`: ".NAME.DIGITS.tmp".
bool isTemporaryOf(std::string_view entry, const std::string& name) {
    if (entry.size() <= name.size() + 2 + kTemporarySuffix.size() || entry[0] != '.' ||
        entry.substr(1, name.size()) != name || entry[name.size() + 1] != '.' || !entry.ends_with(kTemporarySuffix))
        return false;
    std::string_view digits = entry.substr(name.size() + 2, entry.size() - name.size() - 2 - kTemporarySuffix.size());
    return !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// A new, exclusive temporary beside the target; -1 with errno set.
int createTemporary(int folder, const std::string& name, std::string& temporary) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = "." + name + "." + std::to_string(random() % 1000000000ULL) + std::string(kTemporarySuffix);
        int fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

Failure failure(const std::string& shownPath, const char* step, int error) {
    return fail("cannot replace " + shownPath + ": " + step + ": " + std::strerror(error));
}

}  // namespace

Result<> replaceFileAt(int folder, const std::string& name, std::string_view bytes, const std::string& shownPath,
                       Durability durability) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return fail("cannot replace " + shownPath + ": not a file name");
    std::string temporary;
    int fd = createTemporary(folder, name, temporary);
    if (fd < 0) return failure(shownPath, "cannot create a temporary file beside it", errno);
    const char* step = nullptr;
    if (::fchmod(fd, modeFor(folder, name)) != 0)
        step = "cannot set its permissions";
    else if (!writeAll(fd, bytes))
        step = "cannot write it";
    else if (durability == Durability::Flushed && ::fsync(fd) != 0)
        step = "cannot flush it";
    int error = errno;
    if (::close(fd) != 0 && !step) {
        step = "cannot write it";
        error = errno;
    }
    if (!step && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        step = "cannot rename the new file over it";
        error = errno;
    }
    if (step) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return failure(shownPath, step, error);
    }
    if (durability == Durability::Flushed) ::fsync(folder);  // the rename itself lasts
    return {};
}

Result<> replaceFile(const std::string& path, std::string_view bytes, Durability durability) {
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return failure(path, "cannot open its folder", errno);
    Result<> result = replaceFileAt(fd, name, bytes, path, durability);
    ::close(fd);
    return result;
}

Result<std::size_t> removeLeftTemporaries(const std::string& path) {
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail("cannot look for the temporary files of " + path + ": " + std::strerror(errno));
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        int error = errno;
        ::close(fd);
        return fail("cannot look for the temporary files of " + path + ": " + std::strerror(error));
    }
    std::size_t removed = 0;
    while (dirent* e = ::readdir(dir)) {
        if (!isTemporaryOf(e->d_name, name)) continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlinkat(fd, e->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace ns
