#include "session/Job.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "foundation/RunLoop.h"
#include "wire/Failure.h"

namespace session {

namespace {
// An answer or a failure is a few lines; more of it is not kept.
constexpr std::size_t kLongestReason = 64 * 1024;
}  // namespace

struct Jobs::Job {
    std::string what;
    Done done;
    ns::UniqueFd reason;  // the child's failure, if any
    std::string said;
    std::unique_ptr<ns::RunLoop::Source> reading;
    std::unique_ptr<ChildWatch> watch;
};

Jobs::Jobs() = default;

Jobs::~Jobs() { jobs_.clear(); }

void Jobs::start(std::string what, std::function<std::string()> work, Done done) {
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) sim::failWithErrno("cannot start " + what);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        sim::failWithErrno("cannot start " + what);
    }
    if (pid == 0) {
        ::close(pipe[0]);
        std::string said;
        bool failed = false;
        try {
            said = work();
        } catch (const std::exception& e) {
            said = *e.what() ? e.what() : "failed";
            failed = true;
        } catch (...) {
            said = "failed";
            failed = true;
        }
        for (std::size_t at = 0; at < std::min(said.size(), kLongestReason);) {
            ssize_t n = ::write(pipe[1], said.data() + at, std::min(said.size(), kLongestReason) - at);
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        std::fflush(nullptr);
        _exit(failed ? 1 : 0);
    }
    ::close(pipe[1]);
    auto job = std::make_unique<Job>();
    Job* raw = job.get();
    raw->what = std::move(what);
    raw->done = std::move(done);
    raw->reason = ns::UniqueFd(pipe[0]);
    fcntl(pipe[0], F_SETFL, O_NONBLOCK);
    raw->reading = ns::RunLoop::main().watch(pipe[0], ns::RunLoop::Readable, "a job's reason", [raw](unsigned) {
        char buffer[1024];
        ssize_t n;
        while ((n = ::read(raw->reason.get(), buffer, sizeof buffer)) > 0)
            if (raw->said.size() < kLongestReason) raw->said.append(buffer, static_cast<std::size_t>(n));
        if (n == 0) raw->reading.reset();
    });
    raw->watch = std::make_unique<ChildWatch>(pid, [this, raw](int status) { finished(raw, status); });
    jobs_.push_back(std::move(job));
}

void Jobs::finished(Job* job, int status) {
    // What the child said may still be in the pipe.
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(job->reason.get(), buffer, sizeof buffer)) > 0)
        if (job->said.size() < kLongestReason) job->said.append(buffer, static_cast<std::size_t>(n));
    ns::Result<std::string> outcome = job->said;
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::string why = job->said;
        if (why.empty())
            why = job->what + (WIFSIGNALED(status) ? " was killed by signal " + std::to_string(WTERMSIG(status))
                                                   : " failed (exit " + std::to_string(WEXITSTATUS(status)) + ")");
        outcome = ns::fail(why);
    }
    Done done = std::move(job->done);
    // Let go of the job once its own call is over.
    ns::RunLoop::main().perform([alive = std::weak_ptr<Jobs*>(self_), job] {
        if (auto jobs = alive.lock())
            (*jobs)->jobs_.remove_if([job](const std::unique_ptr<Job>& j) { return j.get() == job; });
    });
    done(std::move(outcome));
}

}  // namespace session
