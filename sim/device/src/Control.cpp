#include "device/Control.h"

#include "device/DeviceFiles.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace sim {

namespace {

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

std::optional<std::string> askSpringBoard(const Device& device, const std::string& command, double timeoutSeconds) {
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    // Through a descriptor of the socket itself, opened without following a
    // link the device may have planted (to another device's or the machine's
    // socket), so a deep device folder does not overflow the address either.
    auto socketFile = DeviceFiles(device).openSocket(device.controlSocket());
    if (!socketFile) return std::nullopt;
    std::string path = "/proc/self/fd/" + std::to_string(socketFile->get());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    Fd sock(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (sock.fd < 0) return std::nullopt;
    if (connect(sock.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN) return std::nullopt;
        pollfd p{sock.fd, POLLOUT, 0};
        if (poll(&p, 1, remainingMs(deadline)) != 1) return std::nullopt;
        int error = 0;
        socklen_t len = sizeof error;
        if (getsockopt(sock.fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return std::nullopt;
    }
    std::string line = command + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        ssize_t n = send(sock.fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return std::nullopt;
        pollfd p{sock.fd, POLLOUT, 0};
        if (poll(&p, 1, remainingMs(deadline)) != 1) return std::nullopt;
    }
    // The device answers: a dump or a page is large, but never without end.
    constexpr std::size_t kLongestReply = 64 * 1024 * 1024;
    std::string reply;
    char buffer[4096];
    while (reply.find('\n') == std::string::npos) {
        if (reply.size() > kLongestReply) return std::nullopt;
        pollfd p{sock.fd, POLLIN, 0};
        if (poll(&p, 1, remainingMs(deadline)) != 1) return std::nullopt;
        ssize_t n = recv(sock.fd, buffer, sizeof buffer, 0);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return std::nullopt;
        }
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    if (reply.empty()) return std::nullopt;
    auto end = reply.find('\n');
    return reply.substr(0, end);
}

}  // namespace sim
