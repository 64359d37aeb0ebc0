#include "session/SpringBoardSession.h"

#include <sstream>

#include "device/Boot.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "wire/Hello.h"
#include "wire/Requests.h"

namespace session {

namespace {

// How soon a lost connection is tried again: while the home screen
// restarts, and while the device is shut down (it may be booted elsewhere).
constexpr double kRetryStarting = 0.25;
constexpr double kRetryDown = 1;
// A screen larger than this, or an update of more pictures, is no device's.
constexpr std::uint32_t kLargestSide = 4096;
constexpr int kMostPictures = 4096;
// Lines of the device log told with a device that is down.
constexpr std::size_t kLogLines = 12;
constexpr int kMovesInFlight = 2;

std::vector<std::string> logTail(const sim::Device& device) {
    auto tail = sim::DeviceFiles(device).readTail(device.logFile(), 8192);
    if (!tail) return {tail.reason()};
    std::vector<std::string> lines;
    std::istringstream in(*tail);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    if (lines.size() > kLogLines) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(kLogLines));
    return lines;
}

// The device's bytes are data: every picture lies on the screen it tells of.
ns::Result<> checkUpdate(const wire::ScreenUpdate& u) {
    if (u.width() < 1 || u.height() < 1 || u.width() > kLargestSide || u.height() > kLargestSide)
        return ns::fail("the screen feed told of a " + std::to_string(u.width()) + "x" + std::to_string(u.height()) +
                        " screen");
    if (u.pictures_size() > kMostPictures)
        return ns::fail("the screen feed told of " + std::to_string(u.pictures_size()) + " pictures in one update");
    for (const wire::ScreenPicture& p : u.pictures())
        if (p.width() < 1 || p.height() < 1 || p.x() >= u.width() || p.y() >= u.height() ||
            p.width() > u.width() - p.x() || p.height() > u.height() - p.y())
            return ns::fail("the screen feed sent a picture at " + std::to_string(p.x()) + "," + std::to_string(p.y()) +
                            " of " + std::to_string(p.width()) + "x" + std::to_string(p.height()) + ", not on its " +
                            std::to_string(u.width()) + "x" + std::to_string(u.height()) + " screen");
    return {};
}

}  // namespace

SpringBoardSession::SpringBoardSession(sim::Device device) : device_(std::move(device)) {}

SpringBoardSession::~SpringBoardSession() {
    watcher_.reset();
    retry_.cancel();
    channel_.reset();
    // Whoever still waits hears why, once.
    auto pending = std::move(pending_);
    for (auto& [id, p] : pending) p.then(ns::fail("the session with " + device_.folder().string() + " ended"));
}

bool SpringBoardSession::connect() {
    if (channel_) return true;
    auto socket = sim::connectSpringBoard(device_);
    if (!socket) return false;
    std::weak_ptr<SpringBoardSession*> alive = self_;
    channel_ = std::make_unique<wire::Channel>(
        std::move(*socket), wire::ChannelOptions{"SpringBoard of " + device_.folder().string(), wire::kLargestAnswer},
        [alive](std::string frame) {
            if (auto s = alive.lock()) (*s)->heard(frame);
        },
        [alive](const std::string& why) {
            if (auto s = alive.lock()) (*s)->dropped(why);
        });
    // Its pid, and the screen when it is watched.
    send(wire::pingRequest(), [alive](ns::Result<wire::Answer> a) {
        if (auto s = alive.lock(); s && a && a->has_pong()) (*s)->pid_ = a->pong().pid();
    }, 10, false, false);
    if (watcher_) {
        send(wire::watchScreenRequest(), [](ns::Result<wire::Answer>) {}, 10, false, false);
        wholeWanted_ = false;
    }
    return channel_ != nullptr;
}

void SpringBoardSession::request(wire::ToSpringBoard request, Then then, double timeoutSeconds) {
    if (!connect()) {
        const bool booted = sim::bootState(device_).has_value();
        return then(ns::fail(device_.folder().string() +
                             (booted ? ": SpringBoard does not answer (it is starting): " + sim::lastLogLine(device_)
                                     : " is not booted")));
    }
    send(std::move(request), std::move(then), timeoutSeconds, false, false);
}

void SpringBoardSession::send(wire::ToSpringBoard request, Then then, double timeoutSeconds, bool isTouch, bool isMove) {
    const std::uint32_t id = ++nextId_ == 0 ? ++nextId_ : nextId_;
    request.set_id(id);
    std::weak_ptr<SpringBoardSession*> alive = self_;
    Pending& p = pending_[id];
    p.then = std::move(then);
    p.isTouch = isTouch;
    p.isMove = isMove;
    p.deadline = ns::Timer::after(timeoutSeconds, "an answer of SpringBoard", [alive, id, timeoutSeconds] {
        auto s = alive.lock();
        if (!s) return;
        SpringBoardSession& self = **s;
        auto it = self.pending_.find(id);
        if (it == self.pending_.end()) return;
        Pending late = std::move(it->second);
        self.pending_.erase(it);
        if (late.isTouch) {
            if (late.isMove)
                --self.movesInFlight_;
            else
                self.pressInFlight_ = false;
        }
        late.then(ns::fail("SpringBoard of " + self.device_.folder().string() + " did not answer within " +
                           std::to_string(static_cast<int>(timeoutSeconds)) + " s"));
        self.pumpTouches();
    });
    if (!channel_->send(request)) return;  // dropped() failed it already
}

void SpringBoardSession::heard(const std::string& frame) {
    auto message = wire::decode<wire::FromSpringBoard>(frame);
    if (!message) return disconnect("SpringBoard sent " + message.reason());
    if (message->has_screen()) {
        if (auto ok = checkUpdate(message->screen()); !ok) return disconnect(ok.reason());
        return screenArrived(frame, message->screen());
    }
    if (!message->has_answer()) return;
    wire::Answer& answer = *message->mutable_answer();
    if (answer.id() == 0) {
        if (answer.has_failure()) return disconnect("SpringBoard refused the session: " + answer.failure().reason());
        if (!answer.has_hello()) return;
        if (auto spoken = wire::checkHello(answer.hello()); !spoken) return disconnect(spoken.reason());
        greeted_ = true;
        return;
    }
    answered(std::move(answer));
}

void SpringBoardSession::answered(wire::Answer answer) {
    auto it = pending_.find(answer.id());
    if (it == pending_.end()) return;  // its deadline passed
    Pending p = std::move(it->second);
    pending_.erase(it);
    if (p.isTouch) {
        if (p.isMove)
            --movesInFlight_;
        else
            pressInFlight_ = false;
    }
    p.then(std::move(answer));
    pumpTouches();
}

void SpringBoardSession::touch(const wire::Touch& touch, Then then) {
    if (touch.phase() == wire::Touch::MOVE && !touches_.empty() && touches_.back().touch.phase() == wire::Touch::MOVE) {
        // Overtaken by a newer move before it went out.
        wire::Answer skipped;
        skipped.set_touched("ok");
        auto old = std::move(touches_.back().then);
        touches_.back() = {touch, std::move(then)};
        old(std::move(skipped));
        return;
    }
    touches_.push_back({touch, std::move(then)});
    pumpTouches();
}

void SpringBoardSession::pumpTouches() {
    while (!touches_.empty()) {
        const bool move = touches_.front().touch.phase() == wire::Touch::MOVE;
        if (pressInFlight_ || (move ? movesInFlight_ >= kMovesInFlight : movesInFlight_ > 0)) return;
        QueuedTouch t = std::move(touches_.front());
        touches_.erase(touches_.begin());
        if (!connect()) {
            t.then(ns::fail(device_.folder().string() + ": SpringBoard does not answer"));
            continue;
        }
        if (move)
            ++movesInFlight_;
        else
            pressInFlight_ = true;
        wire::ToSpringBoard r;
        *r.mutable_touch() = t.touch;
        send(std::move(r), std::move(t.then), 10, true, move);
    }
}

void SpringBoardSession::dropped(const std::string& why) {
    channel_.reset();
    greeted_ = false;
    pid_.reset();
    movesInFlight_ = 0;
    pressInFlight_ = false;
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [id, p] : pending) p.then(ns::fail(why));
    auto touches = std::move(touches_);
    touches_.clear();
    for (auto& t : touches) t.then(ns::fail(why));
    if (!watcher_) return;
    const bool booted = sim::bootState(device_).has_value();
    if (!booted) {
        tell("down", device_.folder().string() + " is shut down");
        return retryIn(kRetryDown);
    }
    tell("starting", "the home screen stopped: " + sim::lastLogLine(device_));
    retryIn(kRetryStarting);
}

void SpringBoardSession::disconnect(const std::string& why) {
    if (channel_) channel_->close();
    dropped(why);
}

void SpringBoardSession::reconnectSoon() {
    if (watcher_ && !channel_) retryIn(0);
}

void SpringBoardSession::retryIn(double seconds) {
    std::weak_ptr<SpringBoardSession*> alive = self_;
    retry_ = ns::Timer::after(seconds, "the session with SpringBoard, again", [alive] {
        auto s = alive.lock();
        if (!s) return;
        SpringBoardSession& self = **s;
        if (!self.watcher_ || self.channel_) return;
        if (!sim::bootState(self.device_)) {
            self.tell("down", self.device_.folder().string() + " is shut down");
            return self.retryIn(kRetryDown);
        }
        if (!self.connect()) {
            self.tell("starting", "the home screen is starting: " + sim::lastLogLine(self.device_));
            return self.retryIn(kRetryStarting);
        }
    });
}

void SpringBoardSession::watch(Watcher watcher) {
    watcher_ = std::move(watcher);
    state_.clear();
    why_.clear();
    if (channel_) {
        send(wire::watchScreenRequest(), [](ns::Result<wire::Answer>) {}, 10, false, false);
        return wantWholeScreen();
    }
    retryIn(0);
}

void SpringBoardSession::unwatch() {
    watcher_.reset();
    retry_.cancel();
    if (channel_ && greeted_) {
        wire::ToSpringBoard r;
        r.mutable_unwatch_screen();
        send(std::move(r), [](ns::Result<wire::Answer>) {}, 10, false, false);
    }
}

void SpringBoardSession::wantWholeScreen() {
    if (!channel_ || wholeWanted_) return;
    wholeWanted_ = true;
    send(wire::wholeScreenRequest(), [](ns::Result<wire::Answer>) {}, 10, false, false);
}

void SpringBoardSession::screenArrived(const std::string& frame, const wire::ScreenUpdate& update) {
    if (!watcher_) return;
    if (update.whole()) {
        wholeWanted_ = false;
        tell("live", "");
    }
    if (watcher_->screen) watcher_->screen(Screen{frame, update.whole(), update.serial(), update.touch()});
}

void SpringBoardSession::tell(const std::string& state, const std::string& why) {
    if (state == state_ && why == why_) return;
    state_ = state;
    why_ = why;
    if (!watcher_ || !watcher_->state) return;
    wire::DeviceState s;
    s.set_state(state);
    if (state != "live") s.set_why(why);
    if (state == "down")
        for (const std::string& line : logTail(device_)) s.add_log(line);
    watcher_->state(s);
}

}  // namespace session
