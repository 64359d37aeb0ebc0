#include "session/ChildWatch.h"

#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "wire/Failure.h"

namespace session {

ChildWatch::ChildWatch(pid_t pid, std::function<void(int)> ended) : pid_(pid), ended_(std::move(ended)) {
    pidfd_ = ns::UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (!pidfd_) sim::failWithErrno("cannot watch process " + std::to_string(pid));
    source_ = ns::RunLoop::main().watch(pidfd_.get(), ns::RunLoop::Readable, "a child of the tool",
                                        [this](unsigned) { check(); });
}

ChildWatch::~ChildWatch() {
    source_.reset();
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void ChildWatch::check() {
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done != pid_) return;
    pid_ = 0;
    source_.reset();
    // The owner may let go of the watch here.
    auto ended = ended_;
    ended(status);
}

}  // namespace session
