// Pages that listen: long-lived responses the server writes to from the run
// loop whenever something happens. A stream with nothing to send is suspended,
// so it costs neither a thread nor a wake-up; while suspended its socket is
// watched, so a client that goes away is dropped at once; a slow reader's
// backlog is bounded: its oldest whole messages are dropped first, or, where
// each message builds on the ones before (the screen), all that waits is
// replaced by what catches the reader up.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>

struct MHD_Connection;
struct MHD_Response;

namespace web::detail {

class EventStreams {
public:
    // `resumed` runs whenever a suspended stream has something to do: the
    // daemon must run (later, never from inside the daemon's own call).
    // `catchUp`, when given, answers what replaces a backlog over the limit;
    // `closed` runs when a stream has gone.
    EventStreams(std::size_t backlogBytes, std::function<void()> resumed,
                 std::function<std::string()> catchUp = {}, std::function<void()> closed = {});
    ~EventStreams();
    EventStreams(const EventStreams&) = delete;
    EventStreams& operator=(const EventStreams&) = delete;

    // The response that makes `connection` a stream, starting with `first`;
    // nothing when the library cannot make one.
    MHD_Response* open(MHD_Connection* connection, std::string first);
    // Queues `bytes` on every open stream; how many.
    std::size_t broadcast(const std::string& bytes);
    // Streams whose client is still there.
    std::size_t count() const;
    // Ends every stream; each closes when the daemon next runs (it is stopping).
    void endAll();

private:
    struct Stream;
    std::size_t backlogBytes_;
    std::function<void()> resumed_;
    std::function<std::string()> catchUp_;
    std::function<void()> closed_;
    std::set<Stream*> streams_;
};

}  // namespace web::detail
