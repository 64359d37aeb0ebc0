#include "ControlServer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "foundation/Timer.h"
#include "wire/Frame.h"
#include "wire/Hello.h"

namespace springboard {

namespace {
// A client that has not said hello in this time is let go.
constexpr double kHelloTimeout = 2;
// At most this many connections at once; more wait in the listen backlog.
constexpr std::size_t kMostConnections = 32;
// A connection that lets this much of the screen wait is let go.
constexpr std::size_t kBacklogBytes = 64u << 20;

wire::FromSpringBoard answerTo(std::uint32_t id) {
    wire::FromSpringBoard out;
    out.mutable_answer()->set_id(id);
    return out;
}

void failWith(wire::Answer& answer, wire::Failure::Kind kind, const std::string& reason) {
    answer.mutable_failure()->set_kind(kind);
    answer.mutable_failure()->set_reason(reason);
}

}  // namespace

ControlConnection::ControlConnection(ns::UniqueFd socket, std::function<void(std::string frame)> onFrame,
                                     std::function<void(const std::string& why)> onClosed)
    : channel_(std::move(socket), {"control connection", wire::kLargestRequest, kBacklogBytes}, std::move(onFrame),
               std::move(onClosed)) {}

ControlServer::ControlServer(const std::string& path, Handlers handlers) : handlers_(std::move(handlers)) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("control socket path too long: " + path);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    listener_ = ns::UniqueFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_) throw std::runtime_error(std::string("control socket: ") + std::strerror(errno));
    unlink(path.c_str());
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_.get(), 16) != 0)
        throw std::runtime_error("cannot listen on " + path + ": " + std::strerror(errno));
    source_ = ns::RunLoop::main().watch(listener_.get(), ns::RunLoop::Readable, "control socket", [this](unsigned) { accept(); });
}

ControlServer::~ControlServer() {
    source_.reset();
    helloDeadlines_.clear();
    connections_.clear();
}

void ControlServer::accept() {
    while (connections_.size() < kMostConnections) {
        int fd = accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                std::fprintf(stderr, "SpringBoard: control socket: cannot accept: %s\n", std::strerror(errno));
            return;
        }
        int key = ++nextKey_;
        auto connection = std::make_shared<ControlConnection>(
            ns::UniqueFd(fd), [this, key](std::string frame) { heard(key, frame); },
            [this, key](const std::string&) { forget(key); });
        connections_.emplace(key, connection);
        helloDeadlines_.emplace(key, ns::Timer::afterReal(kHelloTimeout, "a control connection's hello",
                                                      [this, key] { forget(key); }));
    }
    // Full: the listener waits until a connection goes.
    source_->setEvents(0);
}

void ControlServer::forget(int key) {
    helloDeadlines_.erase(key);
    auto it = connections_.find(key);
    if (it == connections_.end()) return;
    std::shared_ptr<ControlConnection> gone = std::move(it->second);
    connections_.erase(it);
    gone->close();
    if (source_) source_->setEvents(ns::RunLoop::Readable);
}

void ControlServer::heard(int key, const std::string& frame) {
    auto it = connections_.find(key);
    if (it == connections_.end()) return;
    std::shared_ptr<ControlConnection> from = it->second;
    auto request = wire::decode<wire::ToSpringBoard>(frame);
    if (!request) {
        wire::FromSpringBoard out = answerTo(0);
        failWith(*out.mutable_answer(), wire::Failure::BAD_REQUEST, request.reason());
        from->send(out);
        return forget(key);
    }
    if (!from->greeted) {
        wire::FromSpringBoard out = answerTo(request->id());
        wire::Answer& answer = *out.mutable_answer();
        auto spoken = request->has_hello() ? wire::checkHello(request->hello())
                                           : ns::Result<>(ns::fail("a control connection begins with hello"));
        if (!spoken) {
            failWith(answer, wire::Failure::BAD_REQUEST, spoken.reason());
            from->send(out);
            return forget(key);
        }
        from->greeted = true;
        helloDeadlines_.erase(key);
        *answer.mutable_hello() = wire::hello("SpringBoard");
        from->send(out);
        return;
    }
    answer(*request, from);
}

void ControlServer::answer(const wire::ToSpringBoard& request, const std::shared_ptr<ControlConnection>& from) {
    wire::FromSpringBoard out = answerTo(request.id());
    wire::Answer& answer = *out.mutable_answer();
    auto handler = handlers_.find(request.command_case());
    if (handler == handlers_.end()) {
        failWith(answer, wire::Failure::UNKNOWN, "SpringBoard has no such request (" +
                                                     std::to_string(static_cast<int>(request.command_case())) + ")");
    } else {
        try {
            handler->second(request, answer, from);
            if (answer.result_case() == wire::Answer::RESULT_NOT_SET) answer.mutable_done();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "SpringBoard: control request %d failed: %s\n", static_cast<int>(request.command_case()),
                         e.what());
            answer.Clear();
            answer.set_id(request.id());
            failWith(answer, wire::Failure::FAILED, e.what());
        }
    }
    from->send(out);
}

}  // namespace springboard
