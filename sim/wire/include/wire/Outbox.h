// Bytes waiting for a non-blocking descriptor: queued whole, written as the
// peer takes them, the front perhaps partly sent. The one writer of every
// connection the tool and the device's programs keep (wire::Channel, the
// page's WebSocket).
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace wire {

class Outbox {
public:
    enum class Flushed { All, Waiting, Failed };

    void push(std::string bytes) {
        queued_ += bytes.size();
        queue_.push_back(std::move(bytes));
    }
    // Writes what `fd` takes now (send() without SIGPIPE for a socket);
    // Failed names why in `why`.
    Flushed flush(int fd, bool isSocket, std::string& why);
    std::size_t queued() const { return queued_; }
    bool empty() const { return queue_.empty(); }
    // Drops what waits, but a front already partly sent: the stream stays whole.
    void dropWaiting() {
        const std::size_t keep = sentOfFront_ > 0 ? 1 : 0;
        while (queue_.size() > keep) {
            queued_ -= queue_.back().size();
            queue_.pop_back();
        }
    }
    void clear() {
        queue_.clear();
        queued_ = 0;
        sentOfFront_ = 0;
    }

private:
    std::deque<std::string> queue_;
    std::size_t sentOfFront_ = 0;
    std::size_t queued_ = 0;
};

}  // namespace wire
