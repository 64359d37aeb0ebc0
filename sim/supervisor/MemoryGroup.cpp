#include "MemoryGroup.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace supervisor {

namespace {

// A controller file: small, read whole, never waited on.
std::optional<std::string> readSmall(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::string text(4096, '\0');
    ssize_t n = read(fd, text.data(), text.size());
    close(fd);
    if (n < 0) return std::nullopt;
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::optional<long long> leadingNumber(std::string_view text) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || value < 0) return std::nullopt;
    return value;
}

}  // namespace

std::optional<long long> oomKillCount(std::string_view events) {
    constexpr std::string_view key = "oom_kill ";
    std::size_t at = 0;
    while (at < events.size()) {
        std::size_t end = events.find('\n', at);
        std::string_view line = events.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (line.substr(0, key.size()) == key) return leadingNumber(line.substr(key.size()));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return std::nullopt;
}

bool atDataBound(std::string_view maps, unsigned long long limit) {
    if (limit == 0) return false;
    unsigned long long data = 0;
    std::size_t at = 0;
    while (at < maps.size()) {
        std::size_t end = maps.find('\n', at);
        std::string_view line = maps.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? maps.size() : end + 1;
        // "start-end perms offset device inode path"
        unsigned long long start = 0, stop = 0;
        auto dash = line.find('-'), space = line.find(' ');
        if (dash == std::string_view::npos || space == std::string_view::npos || dash > space || line.size() < space + 5) continue;
        auto first = std::from_chars(line.data(), line.data() + dash, start, 16);
        auto second = std::from_chars(line.data() + dash + 1, line.data() + space, stop, 16);
        if (first.ec != std::errc() || second.ec != std::errc() || stop < start) continue;
        std::string_view perms = line.substr(space + 1, 4);
        if (perms[1] != 'w' || perms[3] != 'p' || line.find("[stack]") != std::string_view::npos) continue;
        data += stop - start;
    }
    unsigned long long margin = std::max(limit / 10, 16ULL * 1024 * 1024);
    return data + margin >= limit;
}

MemoryGroup::MemoryGroup(std::string folder) : folder_(std::move(folder)) { seen_ = kills().value_or(0); }

std::optional<long long> MemoryGroup::kills() const {
    if (folder_.empty()) return std::nullopt;
    for (const char* file : {"/memory.events", "/memory.oom_control"})
        if (auto text = readSmall(folder_ + file))
            if (auto n = oomKillCount(*text)) return n;
    return std::nullopt;
}

bool MemoryGroup::killedSince() {
    auto now = kills();
    if (!now) return false;
    bool killed = *now > seen_;
    seen_ = *now;
    return killed;
}

long long MemoryGroup::number(const char* v2, const char* v1) const {
    if (folder_.empty()) return 0;
    for (const char* file : {v2, v1})
        if (auto text = readSmall(folder_ + "/" + file))
            if (auto n = leadingNumber(*text)) return *n;
    return 0;
}

long long MemoryGroup::limitBytes() const { return number("memory.max", "memory.limit_in_bytes"); }

long long MemoryGroup::peakBytes() const { return number("memory.peak", "memory.max_usage_in_bytes"); }

}  // namespace supervisor
