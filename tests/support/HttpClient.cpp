#include "HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace webtest {

std::string Response::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return v;
    return {};
}

std::string requestText(const std::string& method, const std::string& path, int port, const Headers& headers,
                        const std::string& body) {
    std::string text = method + " " + path + " HTTP/1.1\r\n";
    bool hasHost = false, hasLength = false;
    for (const auto& [name, value] : headers) {
        hasHost = hasHost || strcasecmp(name.c_str(), "Host") == 0;
        hasLength = hasLength || strcasecmp(name.c_str(), "Content-Length") == 0 ||
                    strcasecmp(name.c_str(), "Transfer-Encoding") == 0;
        text += name + ": " + value + "\r\n";
    }
    if (!hasHost) text += "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    if (!body.empty() && !hasLength) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

Connection::Connection(int port, double waitSeconds, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    setWait(waitSeconds);
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) close();
}

Connection::~Connection() { close(); }

void Connection::setWait(double seconds) {
    auto whole = static_cast<time_t>(seconds);
    timeval wait{whole, static_cast<suseconds_t>((seconds - static_cast<double>(whole)) * 1e6)};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
}

void Connection::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool Connection::fill() {
    char chunk[65536];
    for (;;) {
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }
}

bool Connection::readLine(std::string& line) {
    std::size_t end;
    while ((end = buffer_.find("\r\n")) == std::string::npos)
        if (!fill()) return false;
    line = buffer_.substr(0, end);
    buffer_.erase(0, end + 2);
    return true;
}

bool Connection::readExactly(std::size_t n, std::string& out) {
    while (buffer_.size() < n)
        if (!fill()) return false;
    out.append(buffer_, 0, n);
    buffer_.erase(0, n);
    return true;
}

std::optional<std::string> Connection::readBytes(std::size_t n) {
    std::string out;
    if (!readExactly(n, out)) return std::nullopt;
    return out;
}

std::optional<Response> Connection::readHead() {
    std::string line;
    Response r;
    // Interim answers (100 Continue) come before the real one.
    do {
        if (!readLine(line) || line.rfind("HTTP/1.", 0) != 0 || line.size() < 12) return std::nullopt;
        r.status = std::atoi(line.c_str() + 9);
        r.headers.clear();
        for (;;) {
            if (!readLine(line)) return std::nullopt;
            if (line.empty()) break;
            auto colon = line.find(':');
            if (colon == std::string::npos) return std::nullopt;
            std::size_t value = line.find_first_not_of(' ', colon + 1);
            r.headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
        }
    } while (r.status == 100);
    return r;
}

std::optional<std::string> Connection::readChunk() {
    std::string line;
    if (!readLine(line)) return std::nullopt;
    std::size_t size = std::strtoul(line.c_str(), nullptr, 16);
    std::string data;
    if (size == 0) {
        readLine(line);  // the empty trailer
        return std::nullopt;
    }
    if (!readExactly(size, data) || !readLine(line)) return std::nullopt;
    return data;
}

std::optional<Response> Connection::read() {
    std::optional<Response> r = readHead();
    if (!r) return std::nullopt;
    if (r->status == 304 || r->status == 204) return r;
    if (strcasecmp(r->header("Transfer-Encoding").c_str(), "chunked") == 0) {
        while (auto piece = readChunk()) r->body += *piece;
        return r;
    }
    std::string length = r->header("Content-Length");
    if (!length.empty()) {
        if (!readExactly(std::strtoul(length.c_str(), nullptr, 10), r->body)) return std::nullopt;
        return r;
    }
    while (fill()) {
    }
    r->body = std::exchange(buffer_, {});
    return r;
}

bool Connection::endedByServer() {
    for (;;) {
        char chunk[65536];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) return true;
        return errno == ECONNRESET || errno == EPIPE;
    }
}

bool Connection::endedNow() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    char c;
    ssize_t n = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

std::optional<Response> request(int port, const std::string& method, const std::string& path, const Headers& headers,
                                const std::string& body) {
    Connection c(port);
    Headers all = headers;
    all.emplace_back("Connection", "close");
    if (!c.connected() || !c.send(requestText(method, path, port, all, body))) return std::nullopt;
    return c.read();
}

}  // namespace webtest
