#include "ControlServer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace springboard {

namespace {
// A client that sends no whole line in this time, or does not take its reply
// in the next, is let go.
constexpr double kReadTimeout = 2;
constexpr double kWriteTimeout = 10;
constexpr std::size_t kLongestCommand = 4096;
// At most this many clients at once; more wait in the listen backlog.
constexpr std::size_t kMostClients = 16;
}  // namespace

struct ControlServer::Client {
    int fd = -1;
    std::string in;
    std::string out;
    std::size_t sent = 0;
    std::unique_ptr<ns::RunLoop::Source> source;
    id deadline;  // an NSTimer
};

ControlServer::ControlServer(const std::string& path, std::map<std::string, Command> commands,
                             std::map<std::string, Feed> feeds)
    : commands_(std::move(commands)), feeds_(std::move(feeds)) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("control socket path too long: " + path);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0) throw std::runtime_error(std::string("control socket: ") + std::strerror(errno));
    unlink(path.c_str());
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0) {
        std::string reason = std::strerror(errno);
        close(listener_);
        throw std::runtime_error("cannot listen on " + path + ": " + reason);
    }
    source_ = ns::RunLoop::main().watch(listener_, ns::RunLoop::Readable, "control socket", [this](unsigned) { accept(); });
}

ControlServer::~ControlServer() {
    source_.reset();
    while (!clients_.empty()) drop(clients_.begin()->first);
    if (listener_ >= 0) close(listener_);
}

void ControlServer::accept() {
    while (clients_.size() < kMostClients) {
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                std::fprintf(stderr, "SpringBoard: control socket: cannot accept: %s\n", std::strerror(errno));
            return;
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        Client& c = *client;
        c.source = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "control connection", [this, &c](unsigned ready) {
            if (ready & ns::RunLoop::Writable)
                writeTo(c);
            else
                readFrom(c);
        });
        c.deadline = ns::scheduledTimer(kReadTimeout, false, [this, fd](const id&) { drop(fd); }, "control read deadline");
        clients_.emplace(fd, std::move(client));
    }
    // Full: the listener waits until a client goes.
    source_->setEvents(0);
}

void ControlServer::readFrom(Client& c) {
    char buffer[512];
    ssize_t n = read(c.fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) return drop(c.fd);
    c.in.append(buffer, static_cast<std::size_t>(n));
    auto end = c.in.find('\n');
    if (end == std::string::npos) {
        if (c.in.size() > kLongestCommand) drop(c.fd);
        return;
    }
    if (auto timer = rt::cast<NSTimer>(c.deadline)) timer->invalidate();
    int fd = c.fd;
    std::string line = c.in.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto feed = feeds_.find(line); feed != feeds_.end()) {
        // The connection is the feed's from now on: let it go without closing it.
        std::string after = c.in.substr(end + 1);
        auto it = clients_.find(fd);
        it->second->source.reset();
        clients_.erase(it);
        if (source_) source_->setEvents(ns::RunLoop::Readable);
        try {
            feed->second(fd, std::move(after));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "SpringBoard: control feed \"%s\" failed: %s\n", line.c_str(), e.what());
            close(fd);
        }
        return;
    }
    c.deadline = ns::scheduledTimer(kWriteTimeout, false, [this, fd](const id&) { drop(fd); }, "control write deadline");
    c.out = answer(line) + "\n";
    c.source->setEvents(ns::RunLoop::Writable);
    writeTo(c);
}

void ControlServer::writeTo(Client& c) {
    while (c.sent < c.out.size()) {
        ssize_t n = send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // the rest when it is writable
        if (n <= 0) break;
        c.sent += static_cast<std::size_t>(n);
    }
    drop(c.fd);
}

void ControlServer::drop(int fd) {
    auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    std::unique_ptr<Client> client = std::move(it->second);
    clients_.erase(it);
    client->source.reset();
    if (auto timer = rt::cast<NSTimer>(client->deadline)) timer->invalidate();
    close(fd);
    if (source_) source_->setEvents(ns::RunLoop::Readable);
}

std::string ControlServer::answer(const std::string& line) {
    auto space = line.find(' ');
    std::string name = line.substr(0, space);
    std::string arguments = space == std::string::npos ? "" : line.substr(space + 1);
    auto it = commands_.find(name);
    if (it == commands_.end()) return "error: unknown command \"" + name + "\"";
    try {
        return it->second(arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "SpringBoard: control command \"%s\" failed: %s\n", name.c_str(), e.what());
        return std::string("error: ") + e.what();
    }
}

}  // namespace springboard
