// The device's memory controller as its supervisor sees it: read-only, the
// files the kernel keeps for the device's control group (version 2's or
// version 1's names). It tells whether the kernel killed a program for the
// device's memory since the last look, the bound, and the most it used.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace supervisor {

// The number on the "oom_kill N" line of memory.events or memory.oom_control.
std::optional<long long> oomKillCount(std::string_view events);

// Without a group each program carries its own data bound (RLIMIT_DATA): a
// program that crashed with its private writable memory (from its memory
// map, /proc/PID/maps' text) within a tenth of `limit` of it ran out.
bool atDataBound(std::string_view maps, unsigned long long limit);

class MemoryGroup {
public:
    // `folder` empty or absent: no group, nothing is ever killed for memory.
    explicit MemoryGroup(std::string folder);
    // Whether the kernel killed anything for memory since the last call (or
    // since this was made).
    bool killedSince();
    long long limitBytes() const;  // 0: not known
    long long peakBytes() const;   // 0: not known

private:
    std::optional<long long> kills() const;
    long long number(const char* v2, const char* v1) const;

    std::string folder_;
    long long seen_ = 0;
};

}  // namespace supervisor
