#include "KeeperLink.h"

#include <sys/time.h>

#include "wire/Frame.h"
#include "wire/Hello.h"

namespace supervisor {

KeeperLink::KeeperLink(int status, int command, std::function<void(const wire::StartProgram&)> start)
    : start_(std::move(start)) {
    if (status < 0 || command < 0) return;
    channel_ = std::make_unique<wire::Channel>(
        ns::UniqueFd(command), ns::UniqueFd(status), wire::ChannelOptions{"the keeper", wire::kLargestRequest},
        [this](std::string frame) { heard(frame); },
        [this](const std::string& why) {
            // The keeper is gone: lines go to the supervisor's own output from now on.
            ownOutput_.line("orvelle-supervisor", "the keeper is gone (" + why + "); programs start again on their own");
            channel_.reset();
        });
    wire::FromSupervisor hello;
    *hello.mutable_hello() = wire::hello("orvelle-supervisor");
    channel_->send(hello);
}

void KeeperLink::heard(const std::string& frame) {
    auto message = wire::decode<wire::FromKeeper>(frame);
    if (!message) return ownOutput_.line("orvelle-supervisor", "the keeper sent " + message.reason());
    if (message->has_hello()) {
        if (auto spoken = wire::checkHello(message->hello()); !spoken) log("orvelle-supervisor", spoken.reason());
        return;
    }
    if (message->has_start() && start_) start_(message->start());
}

void KeeperLink::log(std::string_view writer, std::string_view text) {
    if (!channel_) return ownOutput_.line(writer, text);
    wire::FromSupervisor m;
    wire::LogLine& line = *m.mutable_log();
    line.set_writer(std::string(writer));
    line.set_text(std::string(text));
    timeval now{};
    gettimeofday(&now, nullptr);
    line.set_time(static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_usec) / 1e6);
    channel_->send(m);
}

void KeeperLink::started(const std::string& program, int pid) {
    if (!channel_) return;
    wire::FromSupervisor m;
    m.mutable_started()->set_program(program);
    m.mutable_started()->set_pid(pid);
    channel_->send(m);
}

void KeeperLink::up(const std::string& program, int pid) {
    if (!channel_) return;
    wire::FromSupervisor m;
    m.mutable_up()->set_program(program);
    m.mutable_up()->set_pid(pid);
    channel_->send(m);
}

void KeeperLink::ended(const wire::ProgramEnded& end) {
    if (!channel_) return;
    wire::FromSupervisor m;
    *m.mutable_ended() = end;
    channel_->send(m);
}

}  // namespace supervisor
