#include "Command.h"

#include <sys/stat.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

Output run(const std::vector<std::string>& argv) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Output result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

Output sim(const std::vector<std::string>& args) {
    std::vector<std::string> argv{ORVELLE_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

bool eventually(std::chrono::milliseconds deadline, const std::function<bool()>& condition) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (true) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string logTail(const std::filesystem::path& device, std::size_t lines) {
    std::string log = readFile(device / "log/device.log");
    std::size_t at = log.size();
    for (std::size_t n = 0; n <= lines && at != std::string::npos && at > 0; ++n) at = log.rfind('\n', at - 1);
    return "the device log's last lines:\n" + log.substr(at == std::string::npos ? 0 : at + 1);
}

std::vector<std::string> logLines(const std::filesystem::path& device, const std::string& prefix) {
    std::istringstream log(readFile(device / "log/device.log"));
    std::vector<std::string> found;
    for (std::string line; std::getline(log, line);) {
        auto writer = line.find("]: ");
        if (writer != std::string::npos && line.compare(writer + 3, prefix.size(), prefix) == 0)
            found.push_back(line.substr(writer + 3));
    }
    return found;
}

void markUpdateNoticeSeen(const std::string& devicePath) {
    std::filesystem::path folder = std::filesystem::path(devicePath) / "var/mobile/Library/Preferences";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "com.tovik.installorvellehasbeenupdated140.plist");
}

TestDevice::TestDevice(const std::vector<std::string>& createOptions) {
    std::string pattern = (std::filesystem::temp_directory_path() / "device-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    chmod(pattern.c_str(), 0711);  // the device's own user passes through
    parent_ = pattern;
    path_ = (parent_ / "device").string();
    std::vector<std::string> args{"create", path_};
    args.insert(args.end(), createOptions.begin(), createOptions.end());
    Output created = sim(args);
    if (created.exitCode != 0) throw std::runtime_error("create failed: " + created.err);
}

TestDevice::~TestDevice() {
    if (sim({"status", path_}).out.rfind("booted", 0) == 0) sim({"shutdown", path_});
    std::error_code ec;
    std::filesystem::remove_all(parent_, ec);
}

int TestDevice::pidOf(const std::string& program) const {
    std::istringstream status(sim({"status", path_}).out);
    for (std::string name; status >> name;) {
        int pid = 0;
        if (name == program && status >> pid) return pid;
    }
    return 0;
}
