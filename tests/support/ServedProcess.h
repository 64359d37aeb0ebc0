// `orvelle-sim serve` of a device (or several) as a process of its own, and the port it
// printed; ended with TERM when it goes.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace webtest {

class ServedProcess {
public:
    explicit ServedProcess(const std::string& device) : ServedProcess(std::vector<std::string>{device}) {}
    // Several devices on one server, device N under /d/N/.
    explicit ServedProcess(const std::vector<std::string>& devices) {
        int out[2];
        if (pipe(out) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(out[0]);
            std::vector<const char*> argv{ORVELLE_SIM, "serve"};
            for (const std::string& d : devices) argv.push_back(d.c_str());
            for (const char* word : {"--port", "0"}) argv.push_back(word);
            argv.push_back(nullptr);
            execv(ORVELLE_SIM, const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(out[1]);
        output_ = fdopen(out[0], "r");
        char line[512];
        while (std::fgets(line, sizeof line, output_)) {
            std::string text = line;
            auto at = text.find("http://127.0.0.1:");
            if (at != std::string::npos) {
                port_ = std::stoi(text.substr(at + 17));
                break;
            }
        }
    }
    ~ServedProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (output_) std::fclose(output_);
    }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
    int port_ = 0;
};

}  // namespace webtest
