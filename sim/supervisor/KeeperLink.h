// The supervisor's side of the wire to the host's keeper: it reports facts
// (a program started, came up, ended and how, each line a program printed)
// and hears how each program starts again. Without a keeper (a supervisor
// run by hand), lines go to its own output and nothing is heard.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "LogWriter.h"
#include "foundation/UniqueFd.h"
#include "wire/Channel.h"
#include "wire/keeper.pb.h"

namespace supervisor {

class KeeperLink {
public:
    // `status` and `command`: the pipes the keeper passed (-1: none).
    KeeperLink(int status, int command, std::function<void(const wire::StartProgram&)> start);
    bool connected() const { return channel_ != nullptr; }

    void log(std::string_view writer, std::string_view text);
    LineSink lines() {
        return [this](std::string_view writer, std::string_view text) { log(writer, text); };
    }
    void started(const std::string& program, int pid);
    void up(const std::string& program, int pid);
    void ended(const wire::ProgramEnded& end);

private:
    void heard(const std::string& frame);
    std::unique_ptr<wire::Channel> channel_;
    std::function<void(const wire::StartProgram&)> start_;
    LogWriter ownOutput_{1};  // lines when there is no keeper
};

}  // namespace supervisor
