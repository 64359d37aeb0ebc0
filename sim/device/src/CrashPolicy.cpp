#include "device/CrashPolicy.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sim {

bool CrashPolicy::isCrash(const std::string& how) {
    if (how.rfind("signal:", 0) == 0) {
        int signal = std::atoi(how.c_str() + 7);
        return signal != 9 && signal != 15;
    }
    if (how.rfind("exit:", 0) == 0) return std::atoi(how.c_str() + 5) != 0;
    return false;
}

RestartDecision CrashPolicy::ended(const SpringBoardEnd& end, const std::function<bool(const std::string&)>& installed) {
    RestartDecision d;
    bool shortCrash = isCrash(end.how) && end.uptime < kShortLife;
    crashes_ = shortCrash ? crashes_ + 1 : 0;
    if (shortCrash) {
        if (end.report != "-") report_ = end.report;
        if (!end.culprits.empty()) culprits_ = end.culprits;
        d.delay = std::min(kLongestPause, kFirstPause * std::pow(2.0, crashes_ - 1));
    }
    if (!safe_ && crashes_ >= kCrashesForSafeMode) {
        safe_ = true;
        d.enteredSafeMode = true;
        d.delay = 0;  // without tweaks it has no reason to crash: at once
    }
    // Safe mode ends by itself once every library to blame is gone.
    if (safe_ && !d.enteredSafeMode && !culprits_.empty() &&
        std::none_of(culprits_.begin(), culprits_.end(), installed))
        leaveSafeMode();
    d.safe = safe_;
    return d;
}

void CrashPolicy::leaveSafeMode() {
    safe_ = false;
    crashes_ = 0;
    culprits_.clear();
}

}  // namespace sim
