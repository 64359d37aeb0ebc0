// The device's watchdog: a program with a control socket (SpringBoard) must
// answer a ping within a time, first after its start (its tweaks load then),
// then every few seconds. One that does not is ended and counted as a crash,
// its crash note telling what it was doing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "foundation/Timer.h"
#include "wire/Channel.h"

namespace supervisor {

class Watchdog {
public:
    static constexpr double kStartAllowance = 8;  // from the start to its first answer
    static constexpr double kEvery = 5;           // between pings
    static constexpr double kAnswerWithin = 8;    // a ping's answer

    // Watches the program at `socket` from now: `up` at its first answer,
    // `hung` when an answer does not come in time (once).
    Watchdog(std::string program, std::string socket, std::function<void()> up, std::function<void(double waited)> hung);

private:
    void ping();
    void heard(const std::string& frame);
    void lost();

    std::string program_;
    std::string socket_;
    std::function<void()> up_;
    std::function<void(double)> hung_;
    std::unique_ptr<wire::Channel> channel_;
    bool answered_ = false;
    bool waiting_ = false;
    double since_ = 0;  // the start, or the ping it waits on
    ns::Timer next_, deadline_;
    std::uint32_t nextId_ = 0;
};

}  // namespace supervisor
