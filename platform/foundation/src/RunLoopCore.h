// The run loop's state, shared by the loop, its handles and its timers.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "foundation/RunLoop.h"

namespace ns {

// The loop's state, shared with the handles and timers that refer to it, so
// that either may outlive the other.
struct RunLoop::Core {
    explicit Core(Clock& c) : clock(c) {}
    ~Core() {
        if (epoll >= 0) ::close(epoll);
        if (wake >= 0) ::close(wake);
    }

    struct SourceEntry {
        int fd;
        std::string name;
        std::function<void(unsigned)> callback;
    };
    struct ObserverEntry {
        int id;
        std::string name;
        std::function<void()> fn;
    };

    Clock& clock;
    int epoll = -1;
    int wake = -1;  // an eventfd: work queued from another thread, stop()
    mutable std::mutex mutex;  // timers and work: other threads schedule and queue
    std::vector<std::shared_ptr<NSTimer>> timers;  // in scheduling order, which breaks ties
    std::deque<std::function<void()>> work;
    std::map<int, SourceEntry> sources;
    std::vector<ObserverEntry> observers;
    int nextId = 1;
    bool stopRequested = false;
    std::uint64_t wakeups = 0;
    std::atomic<std::thread::id> runningOn{};  // the thread inside run(), if any
};

}  // namespace ns
