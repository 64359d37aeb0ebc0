// The control socket: tools outside the device keep a connection and send
// numbered requests of the wire (wire/springboard.proto); each is answered
// with its number, in order. A connection that asked to watch the screen is
// also pushed its updates. The socket and every connection are sources of
// the main run loop, so a request runs between the loop's other work.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "wire/Channel.h"
#include "wire/springboard.pb.h"

namespace springboard {

class ControlConnection {
public:
    ControlConnection(ns::UniqueFd socket, std::function<void(std::string frame)> onFrame,
                      std::function<void(const std::string& why)> onClosed);
    // Pushes a frame made elsewhere (a screen update); false once it is closed.
    bool push(std::string frame) { return channel_.sendFrame(std::move(frame)); }
    bool send(const google::protobuf::MessageLite& message) { return channel_.send(message); }
    std::size_t backlog() const { return channel_.backlog(); }
    bool isOpen() const { return channel_.isOpen(); }
    void close() { channel_.close(); }

    bool greeted = false;  // it said hello in this version

private:
    wire::Channel channel_;
};

// Fills the answer to a request (a failure when it throws). `from` is the
// connection that asked, for requests that keep it (watching the screen).
using Handler = std::function<void(const wire::ToSpringBoard& request, wire::Answer& answer,
                                   const std::shared_ptr<ControlConnection>& from)>;
using Handlers = std::map<wire::ToSpringBoard::CommandCase, Handler>;

class ControlServer {
public:
    // Binds the socket (replacing a stale one) and watches it on the current
    // run loop; fails with the path and the reason.
    ControlServer(const std::string& path, Handlers handlers);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::size_t openConnections() const { return connections_.size(); }

private:
    void accept();
    void heard(int key, const std::string& frame);
    void forget(int key);
    void answer(const wire::ToSpringBoard& request, const std::shared_ptr<ControlConnection>& from);

    Handlers handlers_;
    ns::UniqueFd listener_;
    std::unique_ptr<ns::RunLoop::Source> source_;
    std::map<int, std::shared_ptr<ControlConnection>> connections_;
    std::map<int, ns::Timer> helloDeadlines_;
    int nextKey_ = 0;
};

}  // namespace springboard
