// The tool's session with a device's Settings app: its Preferences program
// kept running inside the device (joined to it when it is booted, in a
// sandbox of its own when not), answering numbered requests on its standard
// input and output. It starts on the first request and starts again when it
// ended, when the device was booted or shut down since, or when the panes
// installed changed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LogWriter.h"
#include "device/Device.h"
#include "foundation/Result.h"
#include "foundation/Timer.h"
#include "session/ChildWatch.h"
#include "wire/Channel.h"
#include "wire/settings.pb.h"

namespace session {

class SettingsSession {
public:
    // The answer (a page, or a refusal with its kind), or why there is none.
    using Then = std::function<void(ns::Result<wire::FromSettings> answer)>;

    explicit SettingsSession(sim::Device device);
    ~SettingsSession();
    SettingsSession(const SettingsSession&) = delete;
    SettingsSession& operator=(const SettingsSession&) = delete;

    void request(wire::ToSettings request, Then then, double timeoutSeconds = 30);
    // The program's pid on this machine while it runs.
    std::optional<int> pid() const;
    // Ends the program (it starts again at the next request).
    void stop(const std::string& why);

private:
    struct Pending {
        Then then;
        ns::Timer deadline;
    };
    ns::Result<> start();
    bool stale() const;
    void heard(const std::string& frame);
    void readErrors();

    sim::Device device_;
    std::unique_ptr<wire::Channel> channel_;
    std::unique_ptr<ChildWatch> child_;
    ns::UniqueFd errors_;
    std::unique_ptr<ns::RunLoop::Source> errorSource_;
    std::string errorText_;
    supervisor::LineSplitter errorLines_{"Preferences"};
    std::map<std::uint32_t, Pending> pending_;
    std::uint32_t nextId_ = 0;
    // What it started with: a change of either starts it again.
    unsigned long long bootedAs_ = 0;
    std::vector<std::string> panesAtStart_;
    std::shared_ptr<SettingsSession*> self_ = std::make_shared<SettingsSession*>(this);
};

}  // namespace session
