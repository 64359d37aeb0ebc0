#include "Commands.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

namespace orvellepb {

int execCommand(const char* path, char* const argv[]) {
    pid_t pid = 0;
    char* const noEnvironment[] = {nullptr};
    // A failed start has no child: waiting on its unset id would wait on nothing or on someone else's.
    if (posix_spawn(&pid, path, nullptr, nullptr, argv, noEnvironment) != 0) return -1;
    int status = 0;
    int result;
    while ((result = waitpid(pid, &status, 0)) == -1 && errno == EINTR) {
    }
    return result;
}

int respring() {
    char killall[] = "killall", nine[] = "-9", springBoard[] = "SpringBoard", backboardd[] = "backboardd";
    char* const argv[] = {killall, nine, springBoard, backboardd, nullptr};
    return execCommand(kKillProgram, argv);
}

int reset() {
    char rm[] = "rm", options[] = "-rfv";
    char weather[] = "/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist";
    char clock[] = "/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
    char* const argv[] = {rm, options, weather, clock, nullptr};
    execCommand(kRemoveProgram, argv);
    return respring();
}

}  // namespace orvellepb
