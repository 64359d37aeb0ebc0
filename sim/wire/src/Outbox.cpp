#include "wire/Outbox.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wire {

Outbox::Flushed Outbox::flush(int fd, bool isSocket, std::string& why) {
    while (!queue_.empty()) {
        const std::string& front = queue_.front();
        const char* at = front.data() + sentOfFront_;
        const std::size_t left = front.size() - sentOfFront_;
        ssize_t n = isSocket ? ::send(fd, at, left, MSG_NOSIGNAL | MSG_DONTWAIT) : ::write(fd, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Flushed::Waiting;
        if (n <= 0) {
            why = n < 0 ? std::strerror(errno) : "the peer is gone";
            return Flushed::Failed;
        }
        sentOfFront_ += static_cast<std::size_t>(n);
        if (sentOfFront_ == front.size()) {
            queued_ -= front.size();
            queue_.pop_front();
            sentOfFront_ = 0;
        }
    }
    return Flushed::All;
}

}  // namespace wire
