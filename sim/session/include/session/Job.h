// Work that takes a device's time (a boot, a shutdown, a restart of the home
// screen, a change of setup, a package installed) done in a process of its
// own, forked from the tool, while the run loop goes on: its end is a source
// of the loop, and what it failed with comes back in one line.
//
//   jobs.start("boot " + folder, [=] { sim::boot(device, {}); return std::string(); },
//              [=](ns::Result<std::string> done) { ... });
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>

#include "foundation/Result.h"
#include "session/ChildWatch.h"

namespace session {

class Jobs {
public:
    // What the work answered, or why it failed.
    using Done = std::function<void(ns::Result<std::string> outcome)>;
    Jobs();
    ~Jobs();
    Jobs(const Jobs&) = delete;
    Jobs& operator=(const Jobs&) = delete;
    // Forks; the child runs `work` (its answer a short text; a throw is its
    // failure, its text the reason) and ends. `done` is called on the loop
    // when it has ended.
    void start(std::string what, std::function<std::string()> work, Done done);
    std::size_t running() const { return jobs_.size(); }

private:
    struct Job;
    void finished(Job* job, int status);
    std::list<std::unique_ptr<Job>> jobs_;
    std::shared_ptr<Jobs*> self_ = std::make_shared<Jobs*>(this);
};

}  // namespace session
