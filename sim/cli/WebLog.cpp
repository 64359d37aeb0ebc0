// The device log pushed to the live pages as it is written: the last lines
// first, then each line once it ends, taken apart for the page to filter and
// mark (device/LogLine.h).
#include "WebDevice.h"

#include "device/LogLine.h"
#include "foundation/Log.h"

namespace cli {

namespace {

// What a page is first shown of the log.
constexpr std::size_t kFirstLines = 200;
// A line longer than this is passed on in pieces rather than held.
constexpr std::size_t kLongestHeld = 64 * 1024;

}  // namespace

void WebDevice::watchLog() {
    LogTail tail;
    tail.lines = kFirstLines;
    try {
        log_ = std::make_unique<LogFollower>(device_, tail, [this](std::string_view bytes) { heardLog(bytes); });
        log_->poll();
        log_->follow();
    } catch (const std::exception& e) {
        // The page works without the log; the server says why once.
        ns::logLine(std::string("web: the device log is not followed: ") + e.what());
        log_.reset();
    }
}

void WebDevice::heardLog(std::string_view bytes) {
    logCarry_.append(bytes);
    wire::LogLines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = logCarry_.find('\n', start)) != std::string::npos; start = end + 1)
        *lines.add_lines() = sim::parseLogLine(std::string_view(logCarry_).substr(start, end - start));
    logCarry_.erase(0, start);
    if (logCarry_.size() > kLongestHeld) {
        *lines.add_lines() = sim::parseLogLine(logCarry_);
        logCarry_.clear();
    }
    if (lines.lines_size() > 0 && sink_.log) sink_.log(lines);
}

}  // namespace cli
