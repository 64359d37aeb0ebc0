// What the supervisor tells of a program that ended: how (its wait status),
// after how long, whether it had come up, what the device ended it for, and
// what it leaves to blame: the crash note its handler wrote (made into a
// crash report here), else the loader's progress file.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "wire/keeper.pb.h"

namespace supervisor {

struct Lived {
    std::string program;
    pid_t pid = 0;
    int waitStatus = 0;
    double uptime = 0;
    bool cameUp = false;
    std::string cause;  // "watchdog" or "memory" when the device ended it
    long long memoryLimit = 0, memoryPeak = 0;  // its memory bound and the most used, when known
};

// `crashFolder` holds the notes and reports, `runFolder` the progress files
// (either empty: none). `say` tells the log what was made.
wire::ProgramEnded endFacts(const Lived& lived, const std::string& crashFolder, const std::string& runFolder,
                            const std::function<void(const std::string&)>& say);

}  // namespace supervisor
