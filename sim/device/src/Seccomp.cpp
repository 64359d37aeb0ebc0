#include "device/Seccomp.h"

#include <linux/netlink.h>
#include <seccomp.h>
#include <sys/socket.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "wire/Failure.h"

namespace sim {

namespace {

// Calls refused outright.
const char* const kRefused[] = {
    // File systems and the mount tree.
    "mount", "umount", "umount2", "pivot_root", "chroot", "move_mount", "open_tree", "fsopen", "fsconfig", "fsmount",
    "fspick", "mount_setattr",
    // Files by handle: a way around the mount tree to any file of the host.
    "open_by_handle_at", "name_to_handle_at",
    // The kernel itself.
    "init_module", "finit_module", "delete_module", "kexec_load", "kexec_file_load", "reboot", "swapon", "swapoff",
    "acct", "syslog", "quotactl", "bpf", "perf_event_open", "lookup_dcookie", "vhangup", "iopl", "ioperm",
    // The machine's clock and name.
    "settimeofday", "clock_settime", "clock_adjtime", "adjtimex", "sethostname", "setdomainname",
    // Kernel key rings are shared with the host.
    "add_key", "request_key", "keyctl",
    // Asynchronous rings: a second way to every call, around this filter.
    "io_uring_setup", "io_uring_enter", "io_uring_register",
    // Pausing the kernel at a page fault of the program's choosing.
    "userfaultfd",
};

struct Context {
    scmp_filter_ctx ctx;
    ~Context() { seccomp_release(ctx); }
};

void must(int rc, const char* what) {
    if (rc < 0) throw Failure(std::string("cannot build the device's system-call filter (") + what + "): " + std::strerror(-rc));
}

}  // namespace

std::string deviceSeccompProgram() {
    Context c{seccomp_init(SCMP_ACT_ALLOW)};
    if (!c.ctx) throw Failure("cannot build the device's system-call filter: out of memory");
    const std::uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
    for (const char* name : kRefused) {
        int call = seccomp_syscall_resolve_name(name);
        if (call == __NR_SCMP_ERROR) continue;  // not on this architecture
        must(seccomp_rule_add(c.ctx, refuse, call, 0), name);
    }
    // Device nodes: mknod of a character or block device (FIFOs and files stay).
    for (auto [name, modeArgument] : {std::pair{"mknod", 1u}, std::pair{"mknodat", 2u}}) {
        int call = seccomp_syscall_resolve_name(name);
        if (call == __NR_SCMP_ERROR) continue;
        for (unsigned type : {S_IFCHR, S_IFBLK}) {
            scmp_arg_cmp mode{modeArgument, SCMP_CMP_MASKED_EQ, S_IFMT, type};
            must(seccomp_rule_add_array(c.ctx, refuse, call, 1, &mode), name);
        }
    }
    // The kernel's audit trail is the host's.
    {
        scmp_arg_cmp family{0, SCMP_CMP_EQ, AF_NETLINK, 0};
        scmp_arg_cmp protocol{2, SCMP_CMP_EQ, NETLINK_AUDIT, 0};
        scmp_arg_cmp both[] = {family, protocol};
        must(seccomp_rule_add_array(c.ctx, refuse, SCMP_SYS(socket), 2, both), "socket");
    }
    // Pushing characters into the terminal's input, or its console's.
    for (unsigned long request : {static_cast<unsigned long>(TIOCSTI), static_cast<unsigned long>(TIOCLINUX)}) {
        scmp_arg_cmp command{1, SCMP_CMP_MASKED_EQ, 0xffffffffu, request};
        must(seccomp_rule_add_array(c.ctx, refuse, SCMP_SYS(ioctl), 1, &command), "ioctl");
    }

    int fd = memfd_create("orvelle-seccomp", MFD_CLOEXEC);
    if (fd < 0) throw Failure(std::string("cannot build the device's system-call filter: ") + std::strerror(errno));
    int rc = seccomp_export_bpf(c.ctx, fd);
    std::string program;
    if (rc == 0) {
        off_t size = lseek(fd, 0, SEEK_END);
        program.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        if (pread(fd, program.data(), program.size(), 0) != static_cast<ssize_t>(program.size())) rc = -EIO;
    }
    close(fd);
    must(rc, "export");
    return program;
}

}  // namespace sim
