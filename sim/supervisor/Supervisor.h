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

class Supervisor {
public:
    Supervisor(std::vector<ProgramSpec> programs, LogWriter& log, std::string programsFile);
    // Runs until SIGTERM, SIGINT or SIGHUP; answers the exit code.
    int run();

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Running {
        ProgramSpec spec;
        pid_t pid = 0;
        TimePoint started{};
        id restart;  // the NSTimer that starts it again
    };
    struct Output {
        std::unique_ptr<LineSplitter> splitter;
        std::unique_ptr<ns::RunLoop::Source> source;
    };

    void start(Running& program);
    void startLater(Running& program, double seconds);
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
    int signals_ = -1;
    bool stopping_ = false;
    int exitCode_ = 0;
};

}  // namespace supervisor
