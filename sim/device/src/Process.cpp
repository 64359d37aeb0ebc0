#include "device/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "wire/Failure.h"

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

Captured captureProgram(const std::vector<std::string>& args) {
    if (args.empty()) throw Failure("no program to run");
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) failWithErrno("cannot make a pipe for " + args[0]);
    if (pipe2(err, O_CLOEXEC) != 0) {
        int error = errno;
        close(out[0]);
        close(out[1]);
        errno = error;
        failWithErrno("cannot make a pipe for " + args[0]);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // The program starts with no signal blocked, whatever this thread blocks.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    auto argv = argvOf(args);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        close(out[0]);
        close(err[0]);
        throw Failure("cannot start " + args[0] + ": " + std::strerror(rc));
    }
    // Both pipes at once, so a program that fills one is never stuck on it.
    Captured result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) failWithErrno("waiting for " + args[0]);
    result.exitCode = exitCodeOf(status);
    return result;
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

pid_t firstChildOf(pid_t pid) {
    if (pid <= 0) return 0;
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    int child = 0;
    if (!(in >> child)) return 0;
    return child;
}

}  // namespace sim
