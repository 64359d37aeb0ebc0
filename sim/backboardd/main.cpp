// backboardd: the device's display and input server. For now it only stays up,
// so the device's restart of the home screen has both programs to restart.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1) {
        bool help = std::strcmp(argv[1], "--help") == 0;
        std::fprintf(help ? stdout : stderr, "usage: backboardd\nThe display and input server of a device; started by its supervisor.\n");
        return help ? 0 : 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    std::printf("backboardd: up (pid %d)\n", static_cast<int>(getpid()));
    int signal = 0;
    sigwait(&stop, &signal);
    std::printf("backboardd: stopping (%s)\n", strsignal(signal));
    return 0;
}
