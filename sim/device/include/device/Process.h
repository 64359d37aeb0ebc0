// Starting programs and asking about processes of this machine.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace sim {

// A shell's exit code for a wait status: the code, or 128 + the signal.
int exitCodeOf(int waitStatus);

// Runs argv[0] (looked up in PATH) and waits; answers its exit code. Fails when
// it cannot be started.
int runProgram(const std::vector<std::string>& argv);

struct Captured {
    int exitCode = 0;
    std::string out;  // standard output
    std::string err;  // standard error
};
// Runs argv[0] (a path) with its standard input empty, gathering its output;
// safe to call from any thread of a threaded program. Fails when it cannot be
// started.
Captured captureProgram(const std::vector<std::string>& argv);

// The start time of a live process (clock ticks since boot), 0 when there is no
// such process or it has ended and waits to be reaped.
unsigned long long processStartTime(pid_t pid);

// The oldest child of a process of this machine (a sandbox's first process
// under its launcher), 0 when it has none.
pid_t firstChildOf(pid_t pid);

// argv as execv wants it; the strings must outlive the result.
std::vector<char*> argvOf(const std::vector<std::string>& args);

}  // namespace sim
