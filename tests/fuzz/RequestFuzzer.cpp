// The web simulator's server under libFuzzer: arbitrary bytes as the whole of
// one connection's input, to a real server on a loopback port driven by this
// process's run loop. Whatever arrives, the server answers or closes, and what
// it sends back starts as an HTTP answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FakeDevice.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "web/Server.h"

namespace {

// Longer than any answer takes; the head deadline is shorter still.
constexpr double kBoundSeconds = 10;

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "request fuzzer: %s\n", what.c_str());
    std::abort();
}

web::Server& server() {
    // Two devices, so that paths naming one (/d/N/...) reach a device or none.
    static webtest::FakeDevice first, second;
    static web::Server* served = [] {
        ns::setLogSink([](const std::string&) {});  // refusals of garbage, by the million
        web::ServerOptions options;
        options.headSeconds = 1;
        auto* s = new web::Server({{"first", &first}, {"second", &second}}, options);
        if (ns::Result<> started = s->start(); !started) fault(started.reason());
        return s;
    }();
    return *served;
}

int connectTo(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS))
        fault(std::string("cannot connect to the server: ") + std::strerror(errno));
    return fd;
}

// The seeds name the default port, 8022; the input goes to the port served.
std::string forPort(const std::uint8_t* data, std::size_t size, int port) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string seedPort = ":8022", servedPort = ":" + std::to_string(port);
    for (std::size_t at = bytes.find(seedPort); at != std::string::npos; at = bytes.find(seedPort, at + servedPort.size()))
        bytes.replace(at, seedPort.size(), servedPort);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t inputSize) {
    web::Server& s = server();
    const std::string bytes = forPort(input, inputSize, s.port());
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    ns::RunLoop& loop = ns::RunLoop::main();
    int fd = connectTo(s.port());
    std::size_t written = 0;
    int quietPasses = 0;
    bool shut = false, ended = false;
    std::string answer;
    const auto start = std::chrono::steady_clock::now();
    while (!ended) {
        loop.runOnce();
        if (written < size) {
            ssize_t n = ::send(fd, data + written, size - written, MSG_NOSIGNAL);
            if (n > 0) written += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) written = size;  // the server stopped taking it
        }
        char buffer[65536];
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got > 0) answer.append(buffer, static_cast<std::size_t>(got));
        ended = got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        quietPasses = got > 0 ? 0 : quietPasses + 1;
        // The input ends once the server has had its say about all of it: a
        // half-close that arrives with the request itself can go unseen until
        // the connection's deadline.
        if (!shut && written == size && quietPasses >= 3) {
            ::shutdown(fd, SHUT_WR);
            shut = true;
        }
        if (!ended && got <= 0) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 1);
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::duration<double>(kBoundSeconds))
            fault("the server neither answered nor closed a connection within " + std::to_string(kBoundSeconds) + " s");
    }
    ::close(fd);
    if (!answer.empty() && answer.rfind("HTTP/1.", 0) != 0) fault("the server sent something that is not an HTTP answer");
    return 0;
}
