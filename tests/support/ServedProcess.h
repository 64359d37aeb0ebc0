// `orvelle-sim serve` of a device as a process of its own, and the port it
// printed; ended with TERM when it goes.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace webtest {

class ServedProcess {
public:
    explicit ServedProcess(const std::string& device) {
        int out[2];
        if (pipe(out) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(out[0]);
            execl(ORVELLE_SIM, ORVELLE_SIM, "serve", device.c_str(), "--port", "0", static_cast<char*>(nullptr));
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
