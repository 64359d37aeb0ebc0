// The parts of the one way into a device that its files share: the
// descriptor numbers bubblewrap reads, the namespaces a joining program
// enters, and the joining side of a launch.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <string>

#include <unistd.h>

#include "device/Sandbox.h"

namespace sim::sandbox {

// Descriptor numbers inside bubblewrap's own view: the sandbox's setup reads
// them before the program starts.
inline constexpr int kInfoFd = 3;
inline constexpr int kSeccompFd = 4;
static_assert(kFirstPassedFd == kSeccompFd + 1);

// The namespaces a joining program enters: first the user namespace that owns
// the device's others (it gives the right to enter them; the sandbox nests its
// programs' own user namespace inside it), then those, the PID namespace last
// (it takes effect for children only), and last the programs' user namespace.
inline constexpr const char* kJoinedNamespaces[] = {"owner", "mnt", "net", "ipc", "uts", "cgroup", "pid", "user"};

// A descriptor the sandbox reads, closed with the launch.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

using JoinedNamespaces = std::array<int, std::size(kJoinedNamespaces)>;

// The joining side of launch(), in its child: enters the device, starts the
// program behind the walls, passes on stop signals and ends with its code.
[[noreturn]] void joinDevice(const LaunchSpec& spec, const JoinedNamespaces& namespaces, int seccompFd,
                             std::size_t seccompBytes, const std::string& folder, char* const* argv, char* const* envp);

}  // namespace sim::sandbox
