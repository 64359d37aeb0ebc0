// fork_bomb SECONDS: every process forks without end, as a fork bomb does,
// until the deadline; then each ends by itself, so the run is bounded in
// time whatever bounds the device has.
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// Thousands of processes ending at once, at the process bound: the leak
// checker's own thread could not start in them, and nothing here is kept.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(argc > 1 ? std::atoi(argv[1]) : 4);
    const pid_t first = getpid();
    while (Clock::now() < deadline) (void)fork();
    if (getpid() == first) sleep(1);  // the others end meanwhile
    return 0;
}
