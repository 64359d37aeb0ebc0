#include "WallProbe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <linux/io_uring.h>
#include <linux/netlink.h>
#include <linux/userfaultfd.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string outcome(int rc) {
    if (rc >= 0) return "done";
    switch (errno) {
        case EPERM: return "EPERM";
        case EACCES: return "EACCES";
        case ECONNREFUSED: return "ECONNREFUSED";
        case ENETUNREACH: return "ENETUNREACH";
        case ENOTTY: return "ENOTTY";
        default: return "errno" + std::to_string(errno);
    }
}

std::string statusField(const std::string& name) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0) {
            std::string v = line.substr(name.size() + 1);
            v.erase(0, v.find_first_not_of(" \t"));
            return v;
        }
    return "?";
}

std::string firstLine(const char* file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    std::istringstream words(line);
    std::string a, b, c, joined;
    words >> a >> b >> c;
    return a + ":" + b + ":" + c;
}

std::string nsOf(const char* kind) {
    char target[128] = {};
    ssize_t n = readlink((std::string("/proc/self/ns/") + kind).c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
}

}  // namespace

std::string wallReport(int loopbackPort, const std::string& ownerFile) {
    // Whose file it makes in the device's own tree tells which user of the
    // machine it is.
    if (!ownerFile.empty()) std::ofstream(ownerFile) << "probe";
    std::ostringstream r;
    r << "uid=" << getuid() << " euid=" << geteuid() << " uidmap=" << firstLine("/proc/self/uid_map")
      << " capeff=" << statusField("CapEff") << " capbnd=" << statusField("CapBnd")
      << " nonewprivs=" << statusField("NoNewPrivs") << " seccomp=" << statusField("Seccomp");
    for (const char* kind : {"user", "pid", "net", "ipc", "uts", "mnt"}) r << " ns-" << kind << "=" << nsOf(kind);
    char host[64] = {};
    gethostname(host, sizeof host - 1);
    r << " hostname=" << host;

    // Lifting a read-only bind mount to read-write.
    r << " remount=" << outcome(mount("none", "/usr", nullptr, MS_REMOUNT | MS_BIND, nullptr));
    // A file system of its own.
    mkdir("/tmp/probe-mount", 0700);
    r << " mount=" << outcome(mount("tmpfs", "/tmp/probe-mount", "tmpfs", 0, nullptr));
    // A device node for the machine's memory.
    r << " mknod=" << outcome(mknod("/tmp/probe-mem", S_IFCHR | 0600, makedev(1, 1)));
    // A file by handle, around every mount.
    alignas(file_handle) unsigned char storage[sizeof(file_handle) + 128] = {};
    auto* handle = reinterpret_cast<file_handle*>(storage);
    handle->handle_bytes = 128;
    int mountId = 0;
    int named = name_to_handle_at(AT_FDCWD, "/usr", handle, &mountId, 0);
    r << " handle=" << outcome(named);
    int opened = open_by_handle_at(AT_FDCWD, handle, O_RDONLY);
    r << " openbyhandle=" << outcome(opened);
    if (opened >= 0) close(opened);
    // Characters pushed into a terminal's input.
    char c = 'x';
    r << " tiocsti=" << outcome(ioctl(0, TIOCSTI, &c));
    // Another server on the machine's loopback.
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(loopbackPort));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    r << " loopback=" << outcome(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to));
    close(s);
    // A ring of asynchronous calls, each of its three calls on its own.
    io_uring_params params{};
    int ring = static_cast<int>(syscall(SYS_io_uring_setup, 4, &params));
    r << " iouringsetup=" << outcome(ring);
    r << " iouringenter=" << outcome(static_cast<int>(syscall(SYS_io_uring_enter, ring >= 0 ? ring : 0, 0, 0, 0, nullptr, 0)));
    r << " iouringregister=" << outcome(static_cast<int>(syscall(SYS_io_uring_register, ring >= 0 ? ring : 0, 0, nullptr, 0)));
    if (ring >= 0) close(ring);
    // Page faults handled by the program, in the mode any user may ask for.
    int faults = static_cast<int>(syscall(SYS_userfaultfd, O_CLOEXEC | UFFD_USER_MODE_ONLY));
    r << " userfaultfd=" << outcome(faults);
    if (faults >= 0) close(faults);
    // The kernel's audit trail.
    int audit = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_AUDIT);
    r << " netlinkaudit=" << outcome(audit);
    if (audit >= 0) close(audit);
    return r.str();
}
