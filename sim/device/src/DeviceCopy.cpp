#include "device/DeviceCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "device/DeviceFiles.h"
#include "wire/Failure.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

class Copier {
public:
    Copier(const CopyLimits& limits, const fs::path& shownFrom) : limits_(limits), shown_(shownFrom) {}

    // Copies the folder open as `from` into the folder open as `to`.
    void folder(int from, int to, const fs::path& where, int depth) {
        if (depth > limits_.depth) throw Failure(shown(where) + " is nested deeper than " + std::to_string(limits_.depth) + " folders");
        int listing = openat(from, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listing < 0) failWithErrno("cannot read " + shown(where));
        DIR* dir = fdopendir(listing);
        if (!dir) {
            close(listing);
            failWithErrno("cannot read " + shown(where));
        }
        struct Closer {
            DIR* d;
            ~Closer() { closedir(d); }
        } closer{dir};
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            if (++entries_ > limits_.entries)
                throw Failure(shown_.string() + " holds more than " + std::to_string(limits_.entries) + " files");
            entry(from, to, name, where / name, depth);
        }
    }

private:
    std::string shown(const fs::path& where) const { return (shown_ / where).string(); }

    void entry(int from, int to, const std::string& name, const fs::path& where, int depth) {
        struct stat st {};
        if (fstatat(from, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) failWithErrno("cannot read " + shown(where));
        if (S_ISDIR(st.st_mode)) {
            if (mkdirat(to, name.c_str(), 0755) != 0 && errno != EEXIST) failWithErrno("cannot copy " + shown(where));
            UniqueFd sub(openat(from, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            UniqueFd copy(openat(to, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!sub || !copy) failWithErrno("cannot copy " + shown(where));
            folder(sub.get(), copy.get(), where, depth + 1);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = readlinkat(from, name.c_str(), target, sizeof target - 1);
            if (n < 0) failWithErrno("cannot copy " + shown(where));
            target[n] = 0;
            if (symlinkat(target, to, name.c_str()) != 0) failWithErrno("cannot copy " + shown(where));
        } else if (S_ISREG(st.st_mode)) {
            file(from, to, name, where, st);
        }
        // FIFOs, sockets and devices are nothing a headless run needs.
    }

    void file(int from, int to, const std::string& name, const fs::path& where, const struct stat& st) {
        bytes_ += static_cast<std::uint64_t>(st.st_size);
        if (bytes_ > limits_.totalBytes)
            throw Failure(shown_.string() + " holds more than " + std::to_string(limits_.totalBytes >> 20) +
                          " MiB of files; too much to copy for a headless run");
        UniqueFd in(openat(from, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!in) failWithErrno("cannot copy " + shown(where));
        UniqueFd out(openat(to, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 0777));
        if (!out) failWithErrno("cannot copy " + shown(where));
        char buffer[65536];
        std::uint64_t copied = 0;
        for (;;) {
            ssize_t n = read(in.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failWithErrno("cannot copy " + shown(where));
            if (n == 0) break;
            copied += static_cast<std::uint64_t>(n);
            if (copied > static_cast<std::uint64_t>(st.st_size))  // it grew while copied
                throw Failure(shown(where) + " keeps growing; too much to copy for a headless run");
            if (write(out.get(), buffer, static_cast<std::size_t>(n)) != n) failWithErrno("cannot copy " + shown(where));
        }
    }

    const CopyLimits& limits_;
    fs::path shown_;
    std::uint64_t bytes_ = 0;
    std::size_t entries_ = 0;
};

}  // namespace

void copyDevice(const Device& from, const Device& to, const CopyLimits& limits) {
    DeviceFiles source(from);
    auto profile = source.read(from.profileFile(), 64 * 1024);
    if (!profile) throw Failure(profile.reason());
    DeviceFiles target(to);
    if (auto written = target.replace(to.profileFile(), *profile); !written) throw Failure(written.reason());
    Copier copier(limits, from.folder());
    for (const char* tree : {"var", "Library"}) {
        auto in = source.folder(tree, false);
        if (!in) throw Failure(in.reason());
        auto out = target.folder(tree, true);
        if (!out) throw Failure(out.reason());
        copier.folder(in->get(), out->get(), tree, 0);
    }
}

}  // namespace sim
