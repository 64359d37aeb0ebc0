// A child process of the tool watched on the run loop: when it ends, it is
// reaped and its wait status handed on. Nothing waits for it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>

#include "foundation/RunLoop.h"
#include "foundation/UniqueFd.h"

namespace session {

class ChildWatch {
public:
    // Fails (throws sim::Failure) when the kernel will not watch the process.
    ChildWatch(pid_t pid, std::function<void(int waitStatus)> ended);
    // A child still running when the watch goes is killed and reaped: the
    // tool leaves none behind.
    ~ChildWatch();
    ChildWatch(const ChildWatch&) = delete;
    ChildWatch& operator=(const ChildWatch&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

private:
    void check();
    pid_t pid_;
    std::function<void(int)> ended_;
    ns::UniqueFd pidfd_;
    std::unique_ptr<ns::RunLoop::Source> source_;
};

}  // namespace session
