// Runs one of the pane's commands inside a test sandbox and prints what it
// answered; with "live", first starts stand-ins named SpringBoard and
// backboardd and then tells how each of them ended.
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"

namespace {

pid_t startNamed(const char* path) {
    pid_t pid = fork();
    if (pid == 0) {
        execl(path, path, "1000", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Until the child has become the named program (or plainly never will).
bool becameNamed(pid_t pid, const char* path) {
    std::string name = std::strrchr(path, '/') + 1;
    std::string commFile = "/proc/" + std::to_string(pid) + "/comm";
    for (int i = 0; i < 1000000; ++i) {
        char comm[64] = {};
        if (FILE* f = std::fopen(commFile.c_str(), "r")) {
            if (std::fgets(comm, sizeof comm, f)) comm[std::strcspn(comm, "\n")] = 0;
            std::fclose(f);
        }
        if (name.compare(0, 15, comm) == 0) return true;
        sched_yield();
    }
    return false;
}

void report(const char* name, pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) std::printf("%s signal %d\n", name, WTERMSIG(status));
    else std::printf("%s exit %d\n", name, WEXITSTATUS(status));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string command = argv[1];
    pid_t springBoard = 0, backboardd = 0;
    bool live = argc == 4;
    if (live) {
        springBoard = startNamed(argv[2]);
        backboardd = startNamed(argv[3]);
        // killall matches by name: both must have become their programs first.
        if (!becameNamed(springBoard, argv[2]) || !becameNamed(backboardd, argv[3])) return 3;
    }
    int result = -2;
    if (command == "respring") result = orvellepb::respring();
    else if (command == "reset") result = orvellepb::reset();
    std::printf("result %s\n", result > 0 ? "pid" : std::to_string(result).c_str());
    std::fflush(stdout);
    if (live) {
        report("SpringBoard", springBoard);
        report("backboardd", backboardd);
    }
    return 0;
}
