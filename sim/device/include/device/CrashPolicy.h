// How the host's keeper of a device answers a SpringBoard that ended: a
// crash right after its start is waited on, a little longer each time, and
// after a few in a row SpringBoard starts without tweaks (safe mode) until
// the user asks for a normal start or the libraries to blame are gone.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim {

// One end of SpringBoard, as its supervisor reports it.
struct SpringBoardEnd {
    std::string how;          // "signal:11", "exit:1"
    double uptime = 0;        // seconds
    std::string report;       // the crash report's name, "-" for none
    std::vector<std::string> culprits;
};

struct RestartDecision {
    bool safe = false;
    double delay = 0;         // seconds before the next start
    bool enteredSafeMode = false;
};

class CrashPolicy {
public:
    static constexpr int kCrashesForSafeMode = 3;
    static constexpr double kShortLife = 5;
    static constexpr double kFirstPause = 0.5;
    static constexpr double kLongestPause = 8;

    // `installed` tells whether a library is still in DynamicLibraries.
    RestartDecision ended(const SpringBoardEnd& end, const std::function<bool(const std::string&)>& installed);
    void leaveSafeMode();

    bool safe() const { return safe_; }
    int crashesInARow() const { return crashes_; }
    const std::vector<std::string>& culprits() const { return culprits_; }
    const std::string& lastReport() const { return report_; }

    // A crash, not a kill: a signal other than SIGKILL or SIGTERM, or an exit
    // with a code other than 0.
    static bool isCrash(const std::string& how);

private:
    bool safe_ = false;
    int crashes_ = 0;
    std::vector<std::string> culprits_;
    std::string report_;
};

}  // namespace sim
