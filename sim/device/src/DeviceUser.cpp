#include "device/DeviceUser.h"

#include <fcntl.h>
#include <ftw.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "device/Failure.h"

namespace sim {

namespace {

uid_t walkUid;
gid_t walkGid;
int walkError;

int giveOne(const char* path, const struct stat*, int, FTW*) {
    if (lchown(path, walkUid, walkGid) != 0 && errno != ENOENT) walkError = errno;
    return 0;
}

}  // namespace

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

void giveToDeviceUser(const Device& device) {
    if (geteuid() != 0) return;
    DeviceUser user = deviceUser();
    walkUid = user.uid;
    walkGid = user.gid;
    for (const auto& tree : {device.varFolder(), device.libraryFolder(), device.runFolder(), device.logFolder()}) {
        walkError = 0;
        // FTW_PHYS: a link is changed itself and never followed into.
        if (nftw(tree.c_str(), giveOne, 32, FTW_PHYS | FTW_MOUNT) != 0 && errno != ENOENT) walkError = errno;
        if (walkError)
            throw Failure("cannot give " + tree.string() + " to the device user " + user.name + ": " +
                          std::strerror(walkError));
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
