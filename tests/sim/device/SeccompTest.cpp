// The device's system-call filter, as exported for bubblewrap, loaded in a
// process of its own on top of a filter of the test's that answers every
// probed call with an errno of its own. Among refusals the newest filter's
// answer wins, so a call the device refuses says EPERM and one it lets
// through says the test's errno; none reaches the kernel. The check holds on
// any kernel, whatever the kernel itself would answer a process without
// capabilities (EPERM too, for most of these).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <linux/seccomp.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "InChild.h"
#include "device/Seccomp.h"

namespace {

// What a device may never ask, whatever the filter's code says.
const char* const kMustRefuse[] = {
    "mount", "umount", "umount2", "pivot_root", "chroot", "move_mount", "open_tree", "fsopen", "fsconfig", "fsmount",
    "fspick", "mount_setattr", "open_by_handle_at", "name_to_handle_at", "init_module", "finit_module",
    "delete_module", "kexec_load", "kexec_file_load", "reboot", "swapon", "swapoff", "acct", "syslog", "quotactl",
    "bpf", "perf_event_open", "lookup_dcookie", "vhangup", "iopl", "ioperm", "settimeofday", "clock_settime",
    "clock_adjtime", "adjtimex", "sethostname", "setdomainname", "add_key", "request_key", "keyctl",
    "io_uring_setup", "io_uring_enter", "io_uring_register", "userfaultfd",
};

// The test's own answer to a call the device lets through.
constexpr int kLetThrough = EHWPOISON;

// The test's filter: every call named here answers kLetThrough.
void loadTestFilter(const std::vector<int>& calls) {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    ASSERT_NE(ctx, nullptr);
    for (int call : calls) ASSERT_EQ(seccomp_rule_add(ctx, SCMP_ACT_ERRNO(kLetThrough), call, 0), 0) << call;
    ASSERT_EQ(seccomp_load(ctx), 0);
    seccomp_release(ctx);
}

void loadDeviceFilter() {
    std::string program = sim::deviceSeccompProgram();
    ASSERT_EQ(program.size() % sizeof(sock_filter), 0u);
    sock_fprog prog{static_cast<unsigned short>(program.size() / sizeof(sock_filter)),
                    reinterpret_cast<sock_filter*>(program.data())};
    ASSERT_EQ(prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
    ASSERT_EQ(syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &prog), 0) << std::strerror(errno);
}

// The errno a call answers, 0 when it succeeded.
int answer(long result) { return result == -1 ? errno : 0; }

}  // namespace

TEST(DeviceSeccomp, EveryCallADeviceMayNotMakeIsRefusedByTheExportedFilter) {
    std::vector<std::pair<const char*, int>> calls;
    for (const char* name : kMustRefuse) {
        int call = seccomp_syscall_resolve_name(name);
        if (call >= 0) calls.emplace_back(name, call);  // some are of other architectures only
    }
    ASSERT_GT(calls.size(), 30u);
    std::vector<int> numbers;
    for (auto [name, call] : calls) numbers.push_back(call);
    for (int call : {SCMP_SYS(mknodat), SCMP_SYS(ioctl), SCMP_SYS(getcpu), SCMP_SYS(socket)}) numbers.push_back(call);
#ifdef SYS_mknod
    numbers.push_back(SCMP_SYS(mknod));
#endif

    test_support::inChild([&] {
        loadTestFilter(numbers);
        loadDeviceFilter();
        if (testing::Test::HasFatalFailure()) return;
        for (auto [name, call] : calls) EXPECT_EQ(answer(syscall(call, 0, 0, 0, 0, 0, 0)), EPERM) << name;

        // Device nodes are refused; a named pipe is not.
        const char* node = "/nonexistent-orvelle-node";
        EXPECT_EQ(answer(syscall(SYS_mknodat, AT_FDCWD, node, S_IFCHR | 0600, 0)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_mknodat, AT_FDCWD, node, S_IFBLK | 0600, 0)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_mknodat, AT_FDCWD, node, S_IFIFO | 0600, 0)), kLetThrough);
#ifdef SYS_mknod
        EXPECT_EQ(answer(syscall(SYS_mknod, node, S_IFCHR | 0600, 0)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_mknod, node, S_IFIFO | 0600, 0)), kLetThrough);
#endif
        // Characters pushed into a terminal, also with high bits set in the request.
        char c = 'x';
        EXPECT_EQ(answer(syscall(SYS_ioctl, 0, TIOCSTI, &c)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_ioctl, 0, TIOCSTI | (1UL << 32), &c)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_ioctl, 0, TIOCLINUX, &c)), EPERM);
        termios t{};
        EXPECT_EQ(answer(syscall(SYS_ioctl, 0, TCGETS, &t)), kLetThrough) << "other requests pass";
        // The audit trail's sockets are refused; other netlink sockets are not.
        EXPECT_EQ(answer(syscall(SYS_socket, AF_NETLINK, SOCK_RAW, NETLINK_AUDIT)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_socket, AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_AUDIT)), EPERM);
        EXPECT_EQ(answer(syscall(SYS_socket, AF_NETLINK, SOCK_RAW, NETLINK_ROUTE)), kLetThrough);
        EXPECT_EQ(answer(syscall(SYS_socket, AF_INET, SOCK_STREAM, NETLINK_AUDIT)), kLetThrough);
        // An ordinary call passes the device's filter.
        EXPECT_EQ(answer(syscall(SYS_getcpu, nullptr, nullptr, nullptr)), kLetThrough);
    });
}
