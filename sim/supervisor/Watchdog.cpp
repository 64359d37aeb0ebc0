#include "Watchdog.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>

#include "foundation/Clock.h"
#include "wire/Frame.h"
#include "wire/Hello.h"
#include "wire/Requests.h"
#include "wire/springboard.pb.h"

namespace supervisor {

namespace {
// Until the program listens, its socket is tried this often.
constexpr double kTryAgain = 0.1;
}  // namespace

Watchdog::Watchdog(std::string program, std::string socket, std::function<void()> up,
                   std::function<void(double)> hung)
    : program_(std::move(program)), socket_(std::move(socket)), up_(std::move(up)), hung_(std::move(hung)),
      since_(ns::now()) {
    deadline_ = ns::Timer::after(kStartAllowance, "the watchdog's allowance of " + program_, [this] {
        hung_(ns::now() - since_);
    });
    next_ = ns::Timer::after(kTryAgain, "the watchdog's ping of " + program_, [this] { ping(); });
}

void Watchdog::ping() {
    if (waiting_) return;
    if (!channel_) {
        sockaddr_un address{};
        if (socket_.size() >= sizeof address.sun_path) return;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socket_.c_str(), socket_.size() + 1);
        ns::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        // Not listening yet (or its backlog full): again soon, within the allowance.
        if (!fd || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            next_ = ns::Timer::after(kTryAgain, "the watchdog's ping of " + program_, [this] { ping(); });
            return;
        }
        channel_ = std::make_unique<wire::Channel>(
            std::move(fd), wire::ChannelOptions{"the watchdog's connection to " + program_, wire::kLargestAnswer},
            [this](std::string frame) { heard(frame); }, [this](const std::string&) { lost(); });
        wire::ToSpringBoard hello;
        *hello.mutable_hello() = wire::hello("orvelle-supervisor");
        channel_->send(hello);
    }
    wire::ToSpringBoard request = wire::pingRequest();
    request.set_id(++nextId_ == 0 ? ++nextId_ : nextId_);
    waiting_ = true;
    if (answered_) {
        since_ = ns::now();
        deadline_ = ns::Timer::after(kAnswerWithin, "the watchdog's wait on " + program_, [this] {
            hung_(ns::now() - since_);
        });
    }
    channel_->send(request);
}

void Watchdog::heard(const std::string& frame) {
    auto message = wire::decode<wire::FromSpringBoard>(frame);
    if (!message || !message->has_answer() || !message->answer().has_pong()) return;
    waiting_ = false;
    deadline_.cancel();
    if (!answered_) {
        answered_ = true;
        up_();
    }
    next_ = ns::Timer::after(kEvery, "the watchdog's ping of " + program_, [this] { ping(); });
}

void Watchdog::lost() {
    // The program closed its socket (it is ending): its end is reaped, not judged here.
    channel_.reset();
    waiting_ = false;
    next_.cancel();
}

}  // namespace supervisor
