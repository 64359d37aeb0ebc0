// The first process of a booted device: starts SpringBoard and backboardd,
// starts either again when it ends, reaps every orphan of the device, and
// gathers all program output into the device log. It runs on a run loop: the
// signals and every program's output are descriptor sources, the restarts are
// timers, so it sleeps while nothing happens.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LogWriter.h"
#include "foundation/RunLoop.h"

namespace supervisor {

struct ProgramSpec {
    std::string name;  // also the executable's file name, so killall finds it
    std::string path;
};

// The host's keeper of the device, on two pipes: the supervisor tells it how
// SpringBoard ended ("ended SpringBoard PID HOW UPTIME REPORT CULPRITS") and
// hears how to start it again ("start SpringBoard normal|safe DELAY
// [CULPRITS]"), or that the next start is normal ("mode normal"). The keeper
// decides the backoff and safe mode, where the device cannot write.
struct KeeperPipes {
    int status = -1;   // to the keeper
    int command = -1;  // from the keeper
};

class Supervisor {
public:
    Supervisor(std::vector<ProgramSpec> programs, LogWriter& log, std::string programsFile, KeeperPipes keeper = {},
               std::string crashFolder = {});
    // Runs until SIGTERM, SIGINT or SIGHUP; answers the exit code.
    int run();

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Running {
        ProgramSpec spec;
        pid_t pid = 0;
        TimePoint started{};
        id restart;                            // the NSTimer that starts it again
        std::vector<std::string> arguments;    // for its next start (safe mode)
    };
    struct Output {
        std::unique_ptr<LineSplitter> splitter;
        std::unique_ptr<ns::RunLoop::Source> source;
    };

    void start(Running& program);
    void startLater(Running& program, double seconds);
    // How a program that ended starts again: its own short pause, or as the
    // keeper says for SpringBoard.
    void ended(Running& program, pid_t pid, int status, double uptime);
    void fromKeeper(const std::string& line);
    // The crash note a program left, made into its report; the report's name
    // and the libraries to blame.
    std::pair<std::string, std::string> reportCrash(const std::string& program, pid_t pid);
    void reap();
    void readOutput(int fd);
    void drainOutputs();
    void onSignal();
    void writeProgramsFile();
    void stopAll();
    void say(const std::string& text);

    std::vector<Running> programs_;
    LogWriter& log_;
    std::string programsFile_;
    std::map<int, Output> outputs_;  // by pipe descriptor
    KeeperPipes keeper_;
    std::string crashFolder_;
    std::unique_ptr<ns::RunLoop::Source> keeperSource_;
    std::string keeperInput_;
    id keeperWait_;  // the NSTimer after which SpringBoard starts without the keeper's word
    int signals_ = -1;
    bool stopping_ = false;
    int exitCode_ = 0;
};

}  // namespace supervisor
