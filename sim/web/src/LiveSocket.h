// One page's live connection (GET /api/live, a WebSocket the server took over
// from the HTTP library): binary messages of the wire (ToPage out, FromPage
// in) on a source of the run loop. A page that reads too slowly has what
// waits replaced by what catches it up; one that sends what the protocol or
// the schema refuses is closed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "WebSocket.h"
#include "foundation/RunLoop.h"
#include "wire/Outbox.h"

namespace web::detail {

class LiveSocket {
public:
    struct Handlers {
        std::function<void(std::string message)> message;  // a binary message, whole
        std::function<void()> closed;                      // gone, by either side
        std::function<std::vector<std::string>()> catchUp;  // messages that replace a backlog over the limit
    };
    // `release` gives the socket back to the HTTP library, which closes it.
    LiveSocket(int fd, std::string alreadyRead, std::function<void()> release, std::size_t backlogBytes,
               std::size_t largestMessage, Handlers handlers);
    ~LiveSocket();
    LiveSocket(const LiveSocket&) = delete;
    LiveSocket& operator=(const LiveSocket&) = delete;

    // Queues one binary message (a ToPage).
    void send(const std::string& message);
    // Sends a close frame and lets go.
    void close(std::uint16_t code, const std::string& reason);
    bool isOpen() const { return open_; }
    std::size_t backlog() const { return outbox_.queued(); }

private:
    void readable();
    void heard(const std::string& bytes);
    void flush();
    void end();

    int fd_;
    std::function<void()> release_;
    std::size_t backlogBytes_;
    Handlers handlers_;
    WsReader reader_;
    wire::Outbox outbox_;
    std::unique_ptr<ns::RunLoop::Source> source_;
    bool open_ = true;
    bool closing_ = false;
    bool watchingWrites_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace web::detail
