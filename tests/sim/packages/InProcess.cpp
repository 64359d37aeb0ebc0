#include "InProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "device/Packages.h"
#include "wire/Profile.h"

bool upgradeKilledAtStep(const std::string& device, const std::string& bytes, int stop) {
    pid_t child = fork();
    if (child == 0) {
        int steps = 0;
        sim::onPackageStep([&](const std::string&) {
            if (++steps == stop) raise(SIGKILL);
        });
        try {
            sim::installPackageBytes(sim::Device(device), bytes, "v2.deb");
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return false;
    throw std::runtime_error("the upgrade stopped at step " + std::to_string(stop) + " failed");
}

void setScriptLimit(const std::string& device, double seconds) {
    sim::Device d(device);
    sim::Profile profile = sim::readProfile(d.profileFile());
    profile.maintainerScriptSeconds = seconds;
    sim::writeProfile(d.profileFile(), profile);
}
