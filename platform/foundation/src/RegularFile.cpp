#include "foundation/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "foundation/UniqueFd.h"

namespace ns {

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

}  // namespace

Result<UniqueFd> openRegularFile(const std::string& path, Links links) {
    // Non-blocking: opening a FIFO for reading never waits for a writer.
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Refused ? O_NOFOLLOW : 0);
    UniqueFd fd(::open(path.c_str(), flags));
    if (!fd) {
        if (errno == ELOOP && links == Links::Refused) return fail("cannot read " + path + ": it is a link");
        return fail("cannot read " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail("cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("cannot read " + path + ": it is " + kindOf(st.st_mode));
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

Result<std::string> readRegularFile(const std::string& path, std::size_t limit, Links links) {
    auto opened = openRegularFile(path, links);
    if (!opened) return fail(opened.reason());
    UniqueFd fd = std::move(*opened);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail("cannot read " + path + ": " + std::strerror(errno));
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        return fail("cannot read " + path + ": " + std::to_string(st.st_size) + " bytes, more than the " +
                    std::to_string(limit) + " it may have");
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("cannot read " + path + ": " + std::strerror(errno));
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            return fail("cannot read " + path + ": it grew beyond the " + std::to_string(limit) + " bytes it may have");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

}  // namespace ns
