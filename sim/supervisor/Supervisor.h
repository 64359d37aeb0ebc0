// The first process of a booted device: starts SpringBoard and backboardd,
// starts either again when it ends, reaps every orphan of the device, and
// gathers all program output into the device log.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LogWriter.h"

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
        TimePoint restartAt{};
        bool waiting = true;  // to be started at restartAt
    };

    void start(Running& program);
    void reap();
    void readOutput(int fd);
    void writeProgramsFile() const;
    void stopAll();
    int pollTimeoutMs() const;
    void say(const std::string& text);

    std::vector<Running> programs_;
    LogWriter& log_;
    std::string programsFile_;
    std::map<int, std::unique_ptr<LineSplitter>> outputs_;  // by pipe descriptor
    int signals_ = -1;
    bool stopping_ = false;
};

}  // namespace supervisor
