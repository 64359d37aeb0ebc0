#include "wire/Channel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wire {

namespace {

void nonBlocking(int fd) {
    if (fd < 0) return;
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

Channel::Channel(ns::UniqueFd socket, ChannelOptions options, OnFrame onFrame, OnClosed onClosed)
    : Channel(std::move(socket), ns::UniqueFd(), std::move(options), std::move(onFrame), std::move(onClosed)) {}

Channel::Channel(ns::UniqueFd in, ns::UniqueFd out, ChannelOptions options, OnFrame onFrame, OnClosed onClosed)
    : in_(std::move(in)), out_(std::move(out)), options_(std::move(options)), onFrame_(std::move(onFrame)),
      onClosed_(std::move(onClosed)), reader_(options_.largestFrame) {
    nonBlocking(in_.get());
    nonBlocking(out_.get());
    if (in_)
        inSource_ = ns::RunLoop::main().watch(in_.get(), ns::RunLoop::Readable, options_.name, [this](unsigned ready) {
            if (!out_ && (ready & ns::RunLoop::Writable)) {
                std::weak_ptr<bool> alive = alive_;
                flush();
                if (alive.expired() || !open_) return;
            }
            if (ready & (ns::RunLoop::Readable | ns::RunLoop::Hangup)) readable();
        });
}

Channel::~Channel() {
    inSource_.reset();
    outSource_.reset();
}

void Channel::close() {
    open_ = false;
    inSource_.reset();
    outSource_.reset();
    in_.reset();
    out_.reset();
    outbox_.clear();
}

void Channel::fail(const std::string& why) {
    if (!open_) return;
    close();
    // The owner may let go of the channel here: nothing of it is used after.
    if (onClosed_) {
        OnClosed closed = onClosed_;
        closed(why);
    }
}

void Channel::readable() {
    char buffer[1 << 16];
    ssize_t n = ::read(in_.get(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n == 0) return fail(options_.name + ": the peer closed the connection");
    if (n < 0) return fail(options_.name + ": " + std::strerror(errno));
    auto frames = reader_.take(std::string_view(buffer, static_cast<std::size_t>(n)));
    if (!frames) return fail(options_.name + ": " + frames.reason());
    std::weak_ptr<bool> alive = alive_;
    OnFrame handle = onFrame_;  // the owner may let go of the channel while it handles a frame
    for (std::string& f : *frames) {
        handle(std::move(f));
        if (alive.expired() || !open_) return;
    }
}

bool Channel::send(const google::protobuf::MessageLite& message) { return sendFrame(frame(message)); }

bool Channel::sendFrame(std::string bytes) {
    if (!open_) return false;
    if (outbox_.queued() + bytes.size() > options_.backlogBytes) {
        fail(options_.name + ": the peer takes too little; over " + std::to_string(options_.backlogBytes) +
             " bytes waited");
        return false;
    }
    outbox_.push(std::move(bytes));
    flush();
    return open_;
}

void Channel::flush() {
    std::string why;
    switch (outbox_.flush(out_ ? out_.get() : in_.get(), !out_, why)) {
        case Outbox::Flushed::All: return watchWrites(false);
        case Outbox::Flushed::Waiting: return watchWrites(true);
        case Outbox::Flushed::Failed: return fail(options_.name + ": " + why);
    }
}

void Channel::watchWrites(bool on) {
    if (on == watchingWrites_ || !open_) return;
    watchingWrites_ = on;
    if (!out_) {
        if (inSource_) inSource_->setEvents(ns::RunLoop::Readable | (on ? ns::RunLoop::Writable : 0u));
        return;
    }
    if (!on) {
        outSource_.reset();
        return;
    }
    outSource_ = ns::RunLoop::main().watch(out_.get(), ns::RunLoop::Writable, options_.name + " (out)",
                                           [this](unsigned) { flush(); });
}

}  // namespace wire
