#include "EventStreams.h"

#include <microhttpd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>

#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace web::detail {

namespace {
constexpr std::size_t kBlockBytes = 16 * 1024;  // what the library asks for at a time
}

struct EventStreams::Stream {
    EventStreams* owner;
    MHD_Connection* connection;
    int fd;
    std::deque<std::string> queue;
    std::size_t sentOfFront = 0;  // bytes of queue.front() already handed over
    std::size_t queued = 0;       // bytes in queue
    bool suspended = false;
    bool ended = false;           // the client went away, or the server stops
    std::unique_ptr<ns::RunLoop::Source> watch;  // the client's socket, while suspended

    ~Stream() {
        watch.reset();
        if (owner) {
            owner->streams_.erase(this);
            if (owner->closed_) owner->closed_();
        }
    }

    void push(const std::string& bytes, std::size_t limit) {
        queue.push_back(bytes);
        queued += bytes.size();
        // A message partly sent stays whole; the newest is always kept.
        std::size_t first = sentOfFront > 0 ? 1 : 0;
        if (queued > limit && owner && owner->catchUp_) {
            while (queue.size() > first) {
                queued -= queue.back().size();
                queue.pop_back();
            }
            std::string caughtUp = owner->catchUp_();
            queued += caughtUp.size();
            queue.push_back(std::move(caughtUp));
        }
        while (queued > limit && queue.size() > first + 1) {
            queued -= queue[first].size();
            queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(first));
        }
        resume();
    }

    // The library stops handling the connection until there is more to send.
    // A suspended connection's socket is not watched by the library, so a
    // client leaving (or sending anything more) is noticed here.
    void suspend() {
        MHD_suspend_connection(connection);
        suspended = true;
        try {
            watch = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "web event stream", [this](unsigned) { end(); });
        } catch (const std::exception& e) {
            // Still served; a client that leaves is noticed at the next message instead.
            ns::logLine(std::string("web: ") + e.what());
        }
    }

    void resume() {
        if (!suspended) return;
        suspended = false;
        watch.reset();
        MHD_resume_connection(connection);
        if (owner && owner->resumed_) owner->resumed_();
    }

    void end() {
        ended = true;
        resume();
    }

    ssize_t read(char* buffer, std::size_t max) {
        if (ended) return MHD_CONTENT_READER_END_OF_STREAM;
        if (queue.empty()) {
            suspend();
            return 0;
        }
        std::size_t copied = 0;
        while (copied < max && !queue.empty()) {
            const std::string& front = queue.front();
            std::size_t n = std::min(max - copied, front.size() - sentOfFront);
            std::memcpy(buffer + copied, front.data() + sentOfFront, n);
            copied += n;
            sentOfFront += n;
            if (sentOfFront == front.size()) {
                queued -= front.size();
                queue.pop_front();
                sentOfFront = 0;
            }
        }
        return static_cast<ssize_t>(copied);
    }
};

EventStreams::EventStreams(std::size_t backlogBytes, std::function<void()> resumed, std::function<std::string()> catchUp,
                           std::function<void()> closed)
    : backlogBytes_(backlogBytes), resumed_(std::move(resumed)), catchUp_(std::move(catchUp)), closed_(std::move(closed)) {}

EventStreams::~EventStreams() {
    for (Stream* s : streams_) s->owner = nullptr;
}

MHD_Response* EventStreams::open(MHD_Connection* connection, std::string first) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (!info) return nullptr;
    auto stream = std::make_unique<Stream>();
    stream->owner = this;
    stream->connection = connection;
    stream->fd = info->connect_fd;
    stream->queued = first.size();
    stream->queue.push_back(std::move(first));
    MHD_Response* response = MHD_create_response_from_callback(
        MHD_SIZE_UNKNOWN, kBlockBytes,
        [](void* cls, std::uint64_t, char* buffer, std::size_t max) { return static_cast<Stream*>(cls)->read(buffer, max); },
        stream.get(), [](void* cls) { delete static_cast<Stream*>(cls); });
    if (!response) return nullptr;
    streams_.insert(stream.release());
    return response;
}

std::size_t EventStreams::broadcast(const std::string& bytes) {
    std::size_t reached = 0;
    // A copy: resuming never frees a stream, but keep the walk independent of it.
    for (Stream* s : std::set<Stream*>(streams_)) {
        if (s->ended) continue;
        s->push(bytes, backlogBytes_);
        ++reached;
    }
    return reached;
}

std::size_t EventStreams::count() const {
    return static_cast<std::size_t>(std::count_if(streams_.begin(), streams_.end(), [](Stream* s) { return !s->ended; }));
}

void EventStreams::endAll() {
    for (Stream* s : std::set<Stream*>(streams_)) s->end();
}

}  // namespace web::detail
