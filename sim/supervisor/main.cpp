// orvelle-supervisor: the first process inside a booted device's sandbox. It
// finds SpringBoard and backboardd beside its own executable.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Supervisor.h"
#include "crash/CrashNote.h"
#include "device/InsidePaths.h"

int main(int argc, char** argv) {
    // --keeper STATUS COMMAND: the descriptors of the host's keeper.
    supervisor::KeeperPipes keeper;
    if (argc == 4 && std::strcmp(argv[1], "--keeper") == 0) {
        keeper.status = std::atoi(argv[2]);
        keeper.command = std::atoi(argv[3]);
        fcntl(keeper.status, F_SETFD, FD_CLOEXEC);
        fcntl(keeper.command, F_SETFD, FD_CLOEXEC);
        argc = 1;
    }
    if (argc > 1) {
        std::fprintf(argc == 2 && std::strcmp(argv[1], "--help") == 0 ? stdout : stderr,
                     "usage: orvelle-supervisor\n"
                     "Runs inside a device's sandbox (started by orvelle-sim boot): keeps SpringBoard and\n"
                     "backboardd running and writes their output to %s.\n",
                     sim::inside::kLogFile);
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    int log = open(sim::inside::kLogFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        std::fprintf(stderr, "orvelle-supervisor: cannot open %s: %s\n", sim::inside::kLogFile, std::strerror(errno));
        return 1;
    }
    std::error_code ec;
    auto bin = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    if (ec) {
        std::fprintf(stderr, "orvelle-supervisor: cannot find its own folder: %s\n", ec.message().c_str());
        return 1;
    }
    // A device that logs without end keeps two files of this size at most.
    constexpr std::size_t kLogLimit = 4 * 1024 * 1024;
    supervisor::LogWriter writer(log, sim::inside::kLogFile, kLogLimit);
    supervisor::Supervisor s({{"SpringBoard", (bin / "SpringBoard").string()}, {"backboardd", (bin / "backboardd").string()}},
                             writer, sim::inside::kProgramsFile, keeper, crash::kReportFolder);
    return s.run();
}
