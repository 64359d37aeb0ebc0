#include "device/CrashPolicy.h"

#include <signal.h>

#include <algorithm>
#include <cmath>

namespace sim {

bool CrashPolicy::isCrash(const ProgramEnd& end) {
    if (!end.cause.empty() || end.exitCode) return true;
    if (!end.signal) return true;
    const bool kill = *end.signal == SIGKILL || *end.signal == SIGTERM;
    return !(kill && end.cameUp);
}

std::vector<std::string> CrashPolicy::blamed(const ProgramEnd& end) {
    if (!end.loading.empty()) return {end.loading};
    std::vector<std::string> out = end.culprits;
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

RestartDecision CrashPolicy::ended(const ProgramEnd& end, const std::function<bool(const std::string&)>& installed) {
    State& s = programs_[end.program];
    RestartDecision d;
    d.crash = isCrash(end);
    if (d.crash) {
        s.inARow = end.uptime >= kSettled ? 1 : s.inARow + 1;
        d.delay = std::min(kLongestPause, kFirstPause * std::pow(2.0, s.inARow - 1));
        if (!end.report.empty()) s.report = end.report;
        s.recent.push_back({end.at, blamed(end)});
        while (!s.recent.empty() && s.recent.front().at < end.at - kWindow) s.recent.pop_front();
        while (s.recent.size() > static_cast<std::size_t>(kCrashesForSafeMode)) s.recent.pop_front();
        if (!s.safe && s.recent.size() == static_cast<std::size_t>(kCrashesForSafeMode)) {
            // The libraries every one of these crashes blames.
            std::vector<std::string> shared = s.recent.front().blamed;
            for (const Crash& c : s.recent) {
                std::vector<std::string> both;
                std::set_intersection(shared.begin(), shared.end(), c.blamed.begin(), c.blamed.end(),
                                      std::back_inserter(both));
                shared = std::move(both);
            }
            if (!shared.empty()) {
                s.safe = true;
                s.culprits = shared;
                d.enteredSafeMode = true;
                d.delay = 0;  // without tweaks it has no reason to crash: at once
            }
        }
    } else {
        s.inARow = 0;
    }
    // Safe mode ends by itself once every library to blame is gone.
    if (s.safe && !d.enteredSafeMode && std::none_of(s.culprits.begin(), s.culprits.end(), installed)) {
        leaveSafeMode(end.program);
        d.leftSafeMode = true;
    }
    d.safe = s.safe;
    return d;
}

void CrashPolicy::leaveSafeMode(const std::string& program) {
    State& s = programs_[program];
    s.safe = false;
    s.inARow = 0;
    s.recent.clear();
    s.culprits.clear();
}

bool CrashPolicy::safe(const std::string& program) const {
    auto it = programs_.find(program);
    return it != programs_.end() && it->second.safe;
}

int CrashPolicy::crashesInARow(const std::string& program) const {
    auto it = programs_.find(program);
    return it == programs_.end() ? 0 : it->second.inARow;
}

std::vector<std::string> CrashPolicy::culprits(const std::string& program) const {
    auto it = programs_.find(program);
    return it == programs_.end() ? std::vector<std::string>{} : it->second.culprits;
}

std::string CrashPolicy::lastReport(const std::string& program) const {
    auto it = programs_.find(program);
    return it == programs_.end() ? std::string() : it->second.report;
}

}  // namespace sim
