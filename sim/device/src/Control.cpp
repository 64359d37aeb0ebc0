#include "device/Control.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "wire/Blocking.h"
#include "wire/Frame.h"
#include "wire/Hello.h"

namespace sim {

ns::Result<UniqueFd> connectSpringBoard(const Device& device) {
    // Through a descriptor of the socket itself, opened without following a
    // link the device may have planted (to another device's or the machine's
    // socket), so a deep device folder does not overflow the address either.
    auto socketFile = DeviceFiles(device).openSocket(device.controlSocket());
    if (!socketFile) return ns::fail(socketFile.reason());
    std::string path = "/proc/self/fd/" + std::to_string(socketFile->get());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd sock(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!sock) return ns::fail(std::string("cannot make a socket: ") + std::strerror(errno));
    // A local socket connects at once or not at all; a SpringBoard that
    // accepts nobody (stuck, its backlog full) refuses at once too.
    if (connect(sock.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return ns::fail("SpringBoard of " + device.folder().string() +
                        (errno == EAGAIN ? " takes no connection (it is busy or stuck)" : " does not listen: " +
                                                                                              std::string(std::strerror(errno))));
    wire::ToSpringBoard hello;
    *hello.mutable_hello() = wire::hello("orvelle-sim");
    std::string bytes = wire::frame(hello);
    if (send(sock.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
        return ns::fail("cannot greet SpringBoard of " + device.folder().string() + ": " + std::strerror(errno));
    return sock;
}

std::string failureOf(const wire::Answer& answer) {
    return answer.has_failure() ? answer.failure().reason() : std::string();
}

ns::Result<wire::Answer> askSpringBoard(const Device& device, wire::ToSpringBoard request, double timeoutSeconds) {
    auto sock = connectSpringBoard(device);
    if (!sock) return ns::fail(sock.reason());
    constexpr std::uint32_t kId = 1;
    request.set_id(kId);
    ns::Result<> greeted = ns::fail("SpringBoard said no hello");
    auto frame = wire::exchange(
        sock->get(), wire::frame(request),
        [&](std::string_view bytes) {
            auto message = wire::decode<wire::FromSpringBoard>(bytes);
            if (!message || !message->has_answer()) return false;
            const wire::Answer& a = message->answer();
            if (a.has_hello()) greeted = wire::checkHello(a.hello());
            // A refused hello ends the connection with its reason.
            return a.id() == kId || (a.id() == 0 && a.has_failure());
        },
        timeoutSeconds, wire::kLargestAnswer);
    const std::string who = "SpringBoard of " + device.folder().string();
    if (!frame) return ns::fail(who + ": " + frame.reason());
    wire::Answer answer = wire::decode<wire::FromSpringBoard>(*frame)->answer();
    if (answer.id() != kId) return ns::fail(who + " refused the connection: " + failureOf(answer));
    if (!greeted) return ns::fail(who + ": " + greeted.reason());
    return answer;
}

}  // namespace sim
