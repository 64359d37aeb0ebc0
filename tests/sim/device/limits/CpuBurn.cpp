// cpu_burn SECONDS THREADS: keeps THREADS threads busy for SECONDS of wall
// time, then prints the CPU time the process got, in seconds.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::atomic<unsigned long> spins{0};
    std::vector<std::thread> busy;
    for (int i = 0; i < threads; ++i)
        busy.emplace_back([&] {
            while (std::chrono::steady_clock::now() < until) spins.fetch_add(1, std::memory_order_relaxed);
        });
    for (auto& t : busy) t.join();
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    double cpu = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                 static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    std::printf("%.3f\n", cpu);
    return 0;
}
