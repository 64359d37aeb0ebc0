#include "device/Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "device/Failure.h"

extern char** environ;

namespace sim {

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int runProgram(const std::vector<std::string>& args) {
    auto argv = argvOf(args);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) throw Failure("cannot start " + args[0] + ": " + std::strerror(rc));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) failWithErrno("waiting for " + args[0]);
    return exitCodeOf(status);
}

unsigned long long processStartTime(pid_t pid) {
    if (pid <= 0) return 0;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return 0;
    // The name may hold blanks and parentheses; the fields follow the last ')'.
    auto close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string state;
    fields >> state;
    if (state == "Z" || state == "X") return 0;
    std::string skip;
    for (int i = 0; i < 18; ++i) fields >> skip;  // fields 4 to 21
    unsigned long long start = 0;
    fields >> start;
    return start;
}

}  // namespace sim
