#include <ctime>
#include <sstream>

#include "crash/CrashReport.h"

namespace crash {

namespace {

std::string mib(long long bytes) { return bytes > 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB" : "?"; }

}  // namespace

std::string memoryReport(const MemoryEnd& end) {
    char when[64] = "?";
    time_t t = static_cast<time_t>(end.time);
    tm utc{};
    if (gmtime_r(&t, &utc)) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::ostringstream out;
    out << "Process:  " << end.program << " [" << end.pid << "]\n"
        << "Date:     " << when << "\n"
        << "Signal:   9 (SIGKILL)\n"
        << "Reason:   memory limit: the device's programs together passed " << mib(end.limitBytes)
        << " (the most used: " << mib(end.peakBytes) << "); the largest was ended\n"
        << "Loading:  " << (end.loading.empty() ? "-" : end.loading) << "\n"
        << "Tweaks:   ";
    if (end.loaded.empty()) out << "-";
    for (std::size_t i = 0; i < end.loaded.size(); ++i) out << (i ? ", " : "") << end.loaded[i];
    out << "\n\nBacktrace:\n(none: the kernel ended it)\n";
    return out.str();
}

}  // namespace crash
