// orvelle-supervisor: the first process inside a booted device's sandbox. It
// finds SpringBoard and backboardd beside its own executable.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Supervisor.h"
#include "crash/CrashNote.h"
#include "wire/InsidePaths.h"

namespace {

const char* const kUsage =
    "usage: orvelle-supervisor [--keeper STATUS COMMAND] [--also NAME PATH]...\n"
    "Runs inside a device's sandbox (started by orvelle-sim boot): keeps SpringBoard and backboardd running,\n"
    "and tells the host's keeper (on the two pipes given) how each ended and every line they print.\n"
    "  --also NAME PATH  keeps one more program\n";

int usage(bool asked) {
    std::fputs(kUsage, asked ? stdout : stderr);
    return asked ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::error_code ec;
    auto bin = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    if (ec) {
        std::fprintf(stderr, "orvelle-supervisor: cannot find its own folder: %s\n", ec.message().c_str());
        return 1;
    }
    std::vector<supervisor::ProgramSpec> programs{
        {"SpringBoard", (bin / "SpringBoard").string(), sim::inside::kControlSocket},
        {"backboardd", (bin / "backboardd").string(), ""}};
    supervisor::SupervisorOptions options;
    options.crashFolder = crash::kReportFolder;
    options.runFolder = sim::inside::kRunFolder;
    options.memoryGroup = sim::inside::kMemoryGroup;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help") return usage(true);
        if (word == "--keeper" && i + 2 < argc) {
            options.keeperStatus = std::atoi(argv[++i]);
            options.keeperCommand = std::atoi(argv[++i]);
            fcntl(options.keeperStatus, F_SETFD, FD_CLOEXEC);
            fcntl(options.keeperCommand, F_SETFD, FD_CLOEXEC);
        } else if (word == "--also" && i + 2 < argc) {
            std::string name = argv[++i];
            std::string path = argv[++i];
            programs.push_back({name, path, ""});
        } else {
            return usage(false);
        }
    }
    supervisor::Supervisor s(std::move(programs), options);
    return s.run();
}
