// The device log read as it is written: its tail first, then whatever comes,
// across the supervisor's rotation to device.log.1 and a log emptied. While
// followed, the log folder's events wake the run loop (a slow check covers a
// folder made again). The bytes go to the sink as they are read, unescaped:
// each reader escapes for where it shows them.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"

namespace cli {

// How much of the log comes before what is new: its last `lines` lines, at
// most `bytes` of them (0: no bound), or all of it.
struct LogTail {
    bool all = false;
    std::size_t lines = 1000;
    std::size_t bytes = 256 * 1024;
};

class LogFollower {
public:
    using Sink = std::function<void(std::string_view bytes)>;
    LogFollower(const sim::Device& device, LogTail tail, Sink sink);
    ~LogFollower();
    LogFollower(const LogFollower&) = delete;
    LogFollower& operator=(const LogFollower&) = delete;

    // Reads what is new. A log that is not there yet is nothing to read; one
    // the tool must not read (a link, a FIFO) throws sim::Failure.
    void poll();
    // From now on, polls whenever the log folder changes (and once a second).
    void follow();
    // Whether the tail left earlier lines out.
    bool leftOut() const { return leftOut_; }

private:
    void reopen();
    void copyRest();

    sim::DeviceFiles files_;
    sim::Device device_;
    std::filesystem::path path_;
    LogTail tail_;
    Sink sink_;
    bool first_ = true;
    bool leftOut_ = false;
    sim::UniqueFd open_;
    sim::UniqueFd events_;
    std::unique_ptr<ns::RunLoop::Source> source_;
    ns::Timer slow_;
};

}  // namespace cli
