// The keeper's own process: the supervisor's reports and the sandbox's
// output on the run loop, the policy applied to every program's end, the
// records kept, the device log written, the tool's requests answered.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>

#include "LogWriter.h"
#include "device/CrashPolicy.h"
#include "device/Device.h"
#include "wire/Profile.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "foundation/UniqueFd.h"
#include "wire/Channel.h"
#include "wire/keeper.pb.h"

namespace sim {

class KeeperProcess {
public:
    // The two ends of the supervisor's pipes, the read end of the sandbox's
    // output, and the device log (open for appending; the keeper's alone).
    KeeperProcess(const Device& device, const DeviceLimits& limits, ns::UniqueFd fromSupervisor,
                  ns::UniqueFd toSupervisor, ns::UniqueFd output, int log);
    ~KeeperProcess();
    // Runs until the sandbox ends, then ends the process.
    [[noreturn]] void run(pid_t sandbox);

private:
    struct Kept {
        int pid = 0;
        double startedAt = 0;
        bool safe = false;
        bool up = false;
    };
    void heard(const std::string& frame);
    void ended(wire::ProgramEnded end);
    void say(const std::string& text);
    void tell(const wire::FromKeeper& message);
    void writePrograms();
    void listen();
    void toolConnected(int fd);
    void toolAsked(int key, const std::string& frame);
    void watchDisk(double delay);
    [[noreturn]] void finish();

    Device device_;
    DeviceLimits limits_;
    ns::Timer diskWatch_;
    std::unique_ptr<supervisor::LogWriter> log_;
    supervisor::LineSplitter output_{"sandbox"};
    ns::UniqueFd outputFd_;
    std::unique_ptr<ns::RunLoop::Source> outputSource_;
    std::unique_ptr<wire::Channel> supervisor_;
    CrashPolicy policy_;
    std::map<std::string, Kept> programs_;
    pid_t sandbox_ = 0;
    ns::UniqueFd listener_;
    std::unique_ptr<ns::RunLoop::Source> listening_;
    std::map<int, std::unique_ptr<wire::Channel>> tools_;
    int nextTool_ = 0;
};

}  // namespace sim
