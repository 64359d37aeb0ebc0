#include "Tweak/Commands.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

namespace orvelle {

void processTheCommand(const char* path, char* const argv[]) {
    pid_t pid = 0;
    char* const noEnvironment[] = {nullptr};
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, noEnvironment) != 0) return;
    // Blocks until the child has ended; the status is not looked at.
    int status = 0;
    while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
    }
}

}  // namespace orvelle
