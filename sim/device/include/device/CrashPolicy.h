// How the host's keeper of a device answers any of its kept programs that
// ended: whether it was a crash, how long to wait before the next start, and
// when the program starts without tweaks (safe mode). One policy for every
// program, keyed by its name, with no program named in it.
//
// A crash is any end the device did not ask for: an exit, whatever its
// status (a kept program never ends by itself), a signal other than a kill,
// a kill before the program ever answered (it killed itself at load), or an
// end the device itself caused (its watchdog, its memory limit). A kill of a
// program that had answered is a restart someone asked for.
//
// Each crash waits longer than the last (0.5 s, doubling, at most 8 s; a
// program that ran a minute starts afresh). Three crashes within five minutes
// that share a library to blame (the one being loaded, else those loaded)
// start the program in safe mode, blaming those libraries, however late
// after its start each came. Safe mode ends when asked, or by itself once
// every library to blame is gone.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// One end of a kept program, as its supervisor reports it.
struct ProgramEnd {
    std::string program;
    std::optional<int> exitCode;        // it exited with this
    std::optional<int> signal;          // or a signal ended it
    double uptime = 0;                  // seconds since its start
    bool cameUp = false;                // it had answered since its start
    std::string cause;                  // the device ended it: "watchdog", "memory"
    std::string report;                 // its crash report's name; empty: none
    std::vector<std::string> culprits;  // the libraries it had loaded
    std::string loading;                // the library it was loading; empty: none
    double at = 0;                      // when it ended, seconds on the keeper's clock
};

struct RestartDecision {
    bool crash = false;
    double delay = 0;  // seconds before the next start
    bool safe = false;
    bool enteredSafeMode = false;
    bool leftSafeMode = false;  // its libraries to blame are gone
};

class CrashPolicy {
public:
    static constexpr int kCrashesForSafeMode = 3;
    static constexpr double kWindow = 300;   // crashes this far apart still make a loop
    static constexpr double kSettled = 60;   // a program that ran this long backs off afresh
    static constexpr double kFirstPause = 0.5;
    static constexpr double kLongestPause = 8;

    // `installed` tells whether a library is still in DynamicLibraries.
    RestartDecision ended(const ProgramEnd& end, const std::function<bool(const std::string&)>& installed);
    void leaveSafeMode(const std::string& program);

    bool safe(const std::string& program) const;
    int crashesInARow(const std::string& program) const;
    // Safe mode's libraries to blame, and the last crash report of the program.
    std::vector<std::string> culprits(const std::string& program) const;
    std::string lastReport(const std::string& program) const;

    static bool isCrash(const ProgramEnd& end);
    // What is to blame for one crash: the library being loaded, else those loaded.
    static std::vector<std::string> blamed(const ProgramEnd& end);

private:
    struct Crash {
        double at;
        std::vector<std::string> blamed;
    };
    struct State {
        int inARow = 0;
        std::deque<Crash> recent;
        bool safe = false;
        std::vector<std::string> culprits;
        std::string report;
    };
    std::map<std::string, State> programs_;
};

}  // namespace sim
