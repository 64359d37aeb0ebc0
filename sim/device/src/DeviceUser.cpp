#include "device/DeviceUser.h"

#include <fcntl.h>
#include <dirent.h>
#include <pwd.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "wire/Failure.h"

namespace sim {

DeviceUser deviceUser() {
    DeviceUser user;
    if (geteuid() != 0) {
        user.uid = geteuid();
        user.gid = getegid();
        const passwd* pw = getpwuid(user.uid);
        user.name = pw ? pw->pw_name : std::to_string(user.uid);
        return user;
    }
    const passwd* pw = getpwnam(kDeviceSystemUser);
    if (!pw)
        throw Failure(std::string("devices run as the system user \"") + kDeviceSystemUser +
                      "\" when orvelle-sim runs as root, and this machine has none: run scripts/install-deps.sh");
    if (pw->pw_uid == 0) throw Failure(std::string("the system user \"") + kDeviceSystemUser + "\" must not be root");
    user.uid = pw->pw_uid;
    user.gid = pw->pw_gid;
    user.name = kDeviceSystemUser;
    user.fromRoot = true;
    return user;
}

namespace {

// Whether `user` may search `folder`: asked of the kernel by a child that is that user.
bool searchableAs(const DeviceUser& user, const std::filesystem::path& folder) {
    pid_t child = fork();
    if (child < 0) failWithErrno("cannot ask whether the device user reaches " + folder.string());
    if (child == 0) {
        bool became = setgroups(0, nullptr) == 0 && setresgid(user.gid, user.gid, user.gid) == 0 &&
                      setresuid(user.uid, user.uid, user.uid) == 0;
        _exit(became && access(folder.c_str(), X_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void requireReachableByDeviceUser(const std::filesystem::path& folder) {
    if (geteuid() != 0) return;
    DeviceUser user = deviceUser();
    std::filesystem::path at;
    for (const auto& part : std::filesystem::absolute(folder).lexically_normal()) {
        at /= part;
        std::error_code ec;
        if (!std::filesystem::is_directory(at, ec)) return;  // made by the tool from here on
        if (searchableAs(user, at)) continue;
        struct stat st {};
        stat(at.c_str(), &st);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", st.st_mode & 07777);
        throw Failure("the device user " + user.name + " cannot reach " + folder.string() + ": " + at.string() +
                      " (mode " + mode + ") is closed to others; let them pass through it (chmod o+x " + at.string() +
                      ") or keep the device elsewhere");
    }
}

namespace {

// Deeper than this the walk goes no further: the device made those folders
// itself, as its own user, and each level holds a descriptor open.
constexpr int kDeepestFolder = 128;

// Gives an open folder and everything beneath it on the same file system.
// Every name is opened relative to its folder's descriptor without following
// a link, so a program of the device that swaps a folder for a link while
// the walk runs changes the link itself at most, never what it names.
// Answers the first error, 0 when none.
int giveTree(int folder, dev_t device, const DeviceUser& user, int depth) {
    int error = fchown(folder, user.uid, user.gid) != 0 ? errno : 0;
    if (depth >= kDeepestFolder) return error;
    int listed = dup(folder);
    DIR* entries = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!entries) {
        if (listed >= 0) close(listed);
        return errno;
    }
    while (dirent* e = readdir(entries)) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        int fd = openat(folder, e->d_name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT && !error) error = errno;  // gone meanwhile: nothing to give
            continue;
        }
        struct stat st {};
        int failed = fstat(fd, &st) != 0 ? errno : 0;
        if (!failed && S_ISDIR(st.st_mode)) {
            if (st.st_dev == device) {
                // Opened again as a folder through the descriptor, never by name.
                int inner = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                failed = inner < 0 ? errno : giveTree(inner, device, user, depth + 1);
                if (inner >= 0) close(inner);
            }
        } else if (!failed && (S_ISDIR(st.st_mode) || st.st_nlink <= 1 || S_ISLNK(st.st_mode))) {
            // A link itself, or a file of one name: no other name outside the device shares it.
            if (fchownat(fd, "", user.uid, user.gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) failed = errno;
        }
        close(fd);
        if (failed && failed != ENOENT && !error) error = failed;
    }
    closedir(entries);
    return error;
}

}  // namespace

void giveToDeviceUser(const Device& device) {
    if (geteuid() != 0) return;
    DeviceUser user = deviceUser();
    int top = open(device.folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) failWithErrno("cannot open the device folder " + device.folder().string());
    struct Close {
        int fd;
        ~Close() { close(fd); }
    } closeTop{top};
    for (const auto& tree : {device.varFolder(), device.libraryFolder(), device.runFolder()}) {
        int fd = openat(top, tree.filename().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) continue;
        if (fd < 0) failWithErrno("cannot give " + tree.string() + " to the device user " + user.name);
        struct stat st {};
        fstat(fd, &st);
        int error = giveTree(fd, st.st_dev, user, 0);
        close(fd);
        if (error)
            throw Failure("cannot give " + tree.string() + " to the device user " + user.name + ": " +
                          std::strerror(error));
    }
}

void giveToDeviceUser(int fd) {
    if (geteuid() != 0) return;
    DeviceUser user = deviceUser();
    if (fchown(fd, user.uid, user.gid) != 0) failWithErrno("cannot give a file to the device user " + user.name);
}

void giveToDeviceUser(int folder, const std::string& name) {
    if (geteuid() != 0) return;
    DeviceUser user = deviceUser();
    if (fchownat(folder, name.c_str(), user.uid, user.gid, AT_SYMLINK_NOFOLLOW) != 0)
        failWithErrno("cannot give " + name + " to the device user " + user.name);
}

}  // namespace sim
