#include "wire/Blocking.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "wire/Frame.h"

namespace wire {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

ns::Result<std::string> exchange(int fd, std::string_view outgoing,
                                 const std::function<bool(std::string_view frame)>& isAnswer, double timeoutSeconds,
                                 std::size_t largest) {
    auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    std::size_t sent = 0;
    while (sent < outgoing.size()) {
        ssize_t n = ::send(fd, outgoing.data() + sent, outgoing.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return ns::fail(std::string("cannot send: ") + std::strerror(errno));
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, msLeft(deadline)) != 1) return ns::fail("no answer in time");
    }
    FrameReader reader(largest);
    char buffer[1 << 16];
    while (true) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, msLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready != 1) return ns::fail("no answer in time");
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return ns::fail(n == 0 ? "it closed the connection without an answer" : std::strerror(errno));
        auto frames = reader.take(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (!frames) return ns::fail(frames.reason());
        for (std::string& f : *frames)
            if (isAnswer(f)) return std::move(f);
    }
}

}  // namespace wire
