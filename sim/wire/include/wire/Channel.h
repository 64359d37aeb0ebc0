// One connection of the wire as a source of the run loop: frames in, handed
// to the owner as they complete; frames out, queued and written as the peer
// takes them. It never blocks and holds no thread. A peer that sends a frame
// too large, or reads too slowly for the backlog, is let go.
//
//   wire::Channel channel(std::move(socket), {"the control socket", wire::kLargestRequest},
//                         [&](std::string f) { answer(f); }, [&](const std::string& why) { forget(why); });
//   channel.send(message);
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include <google/protobuf/message_lite.h>

#include "foundation/RunLoop.h"
#include "foundation/UniqueFd.h"
#include "wire/Frame.h"
#include "wire/Outbox.h"

namespace wire {

struct ChannelOptions {
    std::string name;                        // in log lines and reasons
    std::size_t largestFrame = kLargestRequest;
    std::size_t backlogBytes = 64u << 20;    // unsent bytes past which the peer is let go
};

class Channel {
public:
    using OnFrame = std::function<void(std::string frame)>;
    using OnClosed = std::function<void(const std::string& why)>;

    // A socket, both ways.
    Channel(ns::UniqueFd socket, ChannelOptions options, OnFrame onFrame, OnClosed onClosed);
    // A pair of pipes: frames come in on `in` and go out on `out`.
    Channel(ns::UniqueFd in, ns::UniqueFd out, ChannelOptions options, OnFrame onFrame, OnClosed onClosed);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Queues a message (or a frame already made) and writes what the peer
    // takes now. False once the channel is closed.
    bool send(const google::protobuf::MessageLite& message);
    bool sendFrame(std::string frame);

    bool isOpen() const { return open_; }
    std::size_t backlog() const { return outbox_.queued(); }
    const std::string& name() const { return options_.name; }
    // Closes it now; the owner hears nothing more (not even onClosed).
    void close();

private:
    void readable();
    void flush();
    void fail(const std::string& why);
    void watchWrites(bool on);

    ns::UniqueFd in_, out_;  // out_ empty: the socket is in_ both ways
    ChannelOptions options_;
    OnFrame onFrame_;
    OnClosed onClosed_;
    FrameReader reader_;
    Outbox outbox_;
    bool open_ = true;
    bool watchingWrites_ = false;
    std::unique_ptr<ns::RunLoop::Source> inSource_, outSource_;
    // Lets a callback that destroys the channel be noticed on the way out.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace wire
