// The first process of a booted device: starts its kept programs, starts
// each again as the host's keeper says when it ends, watches the ones with a
// control socket (the watchdog), reaps every orphan of the device, and hands
// every line the programs print to the keeper, which writes the device log.
// It runs on a run loop: the signals, the keeper's pipe and every program's
// output are descriptor sources, the restarts timers, so it sleeps while
// nothing happens. It reports facts; the keeper decides.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KeeperLink.h"
#include "LogWriter.h"
#include "MemoryGroup.h"
#include "Watchdog.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"

namespace supervisor {

struct ProgramSpec {
    std::string name;  // also the executable's file name, so killall finds it
    std::string path;
    std::string controlSocket;  // watched by the watchdog when given
};

struct SupervisorOptions {
    int keeperStatus = -1;   // the pipe to the keeper (-1: no keeper)
    int keeperCommand = -1;  // the pipe from it
    std::string crashFolder;
    std::string runFolder;   // where the loaders' progress files are
    std::string memoryGroup; // the device's memory controller, read-only ("" or absent: none)
};

class Supervisor {
public:
    Supervisor(std::vector<ProgramSpec> programs, SupervisorOptions options);
    // Runs until SIGTERM, SIGINT or SIGHUP; answers the exit code.
    int run();

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Running {
        ProgramSpec spec;
        pid_t pid = 0;
        TimePoint started{};
        bool cameUp = false;
        std::string cause;                   // the device ended it: "watchdog", "memory"
        ns::Timer restart;                   // its next start
        ns::Timer keeperWait;                // the keeper's word on it, awaited
        ns::Timer forceKill;                 // a hung program that did not end
        std::unique_ptr<Watchdog> watchdog;
        std::vector<std::string> arguments;  // for its next start (safe mode)
    };
    struct Output {
        std::unique_ptr<LineSplitter> splitter;
        std::unique_ptr<ns::RunLoop::Source> source;
    };

    void start(Running& program);
    void startLater(Running& program, double seconds);
    void ended(Running& program, pid_t pid, int status);
    void hung(Running& program, double waited);
    void fromKeeper(const wire::StartProgram& start);
    Running* find(const std::string& name);
    void reap();
    void readOutput(int fd);
    void drainOutputs();
    void onSignal();
    void stopAll();
    void say(const std::string& text);

    std::vector<std::unique_ptr<Running>> programs_;
    SupervisorOptions options_;
    KeeperLink keeper_;
    MemoryGroup memory_;
    std::map<int, Output> outputs_;  // by pipe descriptor
    int signals_ = -1;
    bool stopping_ = false;
    int exitCode_ = 0;
};

}  // namespace supervisor
