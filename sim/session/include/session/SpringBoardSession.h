// The tool's session with one device's SpringBoard: one control connection
// kept open, requests numbered and several in flight, answers matched to
// them, each within its own deadline; the screen pushed on the same
// connection while someone watches. When SpringBoard goes (a restart, a
// crash, a shutdown) what waits fails with the reason, and a watched
// session comes back with it.
//
//   session.request(wire::dumpRequest(), [](ns::Result<wire::Answer> a) { ... });
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "device/Device.h"
#include "foundation/Result.h"
#include "foundation/Timer.h"
#include "wire/Channel.h"
#include "wire/page.pb.h"
#include "wire/springboard.pb.h"

namespace session {

// An update of the screen as SpringBoard encoded it (`message` parses as a
// ToPage holding it), checked to lie on its screen.
struct Screen {
    std::string message;
    bool whole = false;
    std::uint64_t serial = 0;
    std::uint32_t touch = 0;
};

class SpringBoardSession {
public:
    using Then = std::function<void(ns::Result<wire::Answer> answer)>;
    struct Watcher {
        std::function<void(Screen)> screen;
        std::function<void(const wire::DeviceState&)> state;
    };

    explicit SpringBoardSession(sim::Device device);
    ~SpringBoardSession();
    SpringBoardSession(const SpringBoardSession&) = delete;
    SpringBoardSession& operator=(const SpringBoardSession&) = delete;

    // Sends the request (connecting first when needed); `then` gets the
    // answer (a failure answer included) or why there is none.
    void request(wire::ToSpringBoard request, Then then, double timeoutSeconds = 10);
    // A finger: moves that pile up while two are in flight collapse into the
    // newest, a press and a lift go after every touch before them.
    void touch(const wire::Touch& touch, Then then);

    // Pushes the screen (whole first) and the device's state to `watcher`
    // until unwatch(); a new watcher replaces the last.
    void watch(Watcher watcher);
    void unwatch();
    // The next update pushed is whole.
    void wantWholeScreen();

    // SpringBoard's pid inside the device, while connected.
    std::optional<int> pid() const { return pid_; }
    bool connected() const { return greeted_; }
    // Closes the connection: a restart of the device is on its way.
    void disconnect(const std::string& why);
    // Tries again soon, as when SpringBoard restarted (the device was booted).
    void reconnectSoon();

private:
    struct Pending {
        Then then;
        ns::Timer deadline;
        bool isTouch = false;
        bool isMove = false;
    };
    bool connect();
    void heard(const std::string& frame);
    void answered(wire::Answer answer);
    void dropped(const std::string& why);
    void send(wire::ToSpringBoard request, Then then, double timeoutSeconds, bool isTouch, bool isMove);
    void pumpTouches();
    void tell(const std::string& state, const std::string& why);
    void retryIn(double seconds);
    void screenArrived(const std::string& frame, const wire::ScreenUpdate& update);

    sim::Device device_;
    std::unique_ptr<wire::Channel> channel_;
    bool greeted_ = false;
    std::uint32_t nextId_ = 0;
    std::map<std::uint32_t, Pending> pending_;
    std::optional<int> pid_;
    // Touches waiting their turn.
    struct QueuedTouch {
        wire::Touch touch;
        Then then;
    };
    std::vector<QueuedTouch> touches_;
    int movesInFlight_ = 0;
    bool pressInFlight_ = false;
    // The watch.
    std::optional<Watcher> watcher_;
    bool wholeWanted_ = false;
    std::string state_, why_;
    ns::Timer retry_;
    std::shared_ptr<SpringBoardSession*> self_ = std::make_shared<SpringBoardSession*>(this);
};

}  // namespace session
