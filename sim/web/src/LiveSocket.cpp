#include "LiveSocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace web::detail {

LiveSocket::LiveSocket(int fd, std::string alreadyRead, std::function<void()> release, std::size_t backlogBytes,
                       std::size_t largestMessage, Handlers handlers)
    : fd_(fd), release_(std::move(release)), backlogBytes_(backlogBytes), handlers_(std::move(handlers)),
      reader_(largestMessage) {
    source_ = ns::RunLoop::main().watch(fd_, ns::RunLoop::Readable, "a page's live connection", [this](unsigned ready) {
        std::weak_ptr<bool> alive = alive_;
        if (ready & ns::RunLoop::Writable) flush();
        if (alive.expired() || !open_) return;
        if (ready & (ns::RunLoop::Readable | ns::RunLoop::Hangup)) readable();
    });
    if (!alreadyRead.empty()) heard(alreadyRead);
}

LiveSocket::~LiveSocket() {
    source_.reset();
    if (release_) release_();
}

void LiveSocket::end() {
    if (!open_) return;
    open_ = false;
    source_.reset();
    outbox_.clear();
    auto release = std::move(release_);
    release_ = nullptr;
    if (release) release();
    // The owner may let go of this socket here.
    if (handlers_.closed) {
        auto closed = handlers_.closed;
        closed();
    }
}

void LiveSocket::readable() {
    char buffer[1 << 16];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) return end();
    heard(std::string(buffer, static_cast<std::size_t>(n)));
}

void LiveSocket::heard(const std::string& bytes) {
    auto messages = reader_.take(bytes);
    if (!messages) {
        bool tooBig = messages.reason().find("over the") != std::string::npos;
        return close(tooBig ? 1009 : 1002, messages.reason());
    }
    std::weak_ptr<bool> alive = alive_;
    auto onMessage = handlers_.message;
    for (WsMessage& m : *messages) {
        switch (m.opcode) {
            case WsOpcode::Binary:
                if (onMessage) onMessage(std::move(m.payload));
                break;
            case WsOpcode::Text: close(1003, "the page's messages are binary"); return;
            case WsOpcode::Ping:
                outbox_.push(wsFrame(WsOpcode::Pong, m.payload));
                flush();
                break;
            case WsOpcode::Close:
                if (!closing_) {
                    outbox_.push(wsFrame(WsOpcode::Close, m.payload.substr(0, 2)));
                    std::string why;
                    (void)outbox_.flush(fd_, true, why);
                }
                return end();
            default: break;
        }
        if (alive.expired() || !open_) return;
    }
}

void LiveSocket::send(const std::string& message) {
    if (!open_ || closing_) return;
    if (outbox_.queued() > backlogBytes_) {
        // A slow page: what waits is replaced by what catches it up.
        outbox_.dropWaiting();
        if (handlers_.catchUp)
            for (const std::string& m : handlers_.catchUp()) outbox_.push(wsFrame(WsOpcode::Binary, m));
    }
    outbox_.push(wsFrame(WsOpcode::Binary, message));
    flush();
}

void LiveSocket::close(std::uint16_t code, const std::string& reason) {
    if (!open_) return;
    closing_ = true;
    outbox_.dropWaiting();
    outbox_.push(wsClose(code, reason));
    std::string why;
    (void)outbox_.flush(fd_, true, why);
    end();
}

void LiveSocket::flush() {
    std::string why;
    auto flushed = outbox_.flush(fd_, true, why);
    if (flushed == wire::Outbox::Flushed::Failed) return end();
    bool waiting = flushed == wire::Outbox::Flushed::Waiting;
    if (waiting != watchingWrites_ && source_) {
        watchingWrites_ = waiting;
        source_->setEvents(ns::RunLoop::Readable | (waiting ? ns::RunLoop::Writable : 0u));
    }
}

}  // namespace web::detail
