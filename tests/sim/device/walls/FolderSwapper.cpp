// folder_swapper TARGET STOP-FILE SECONDS FOLDER...: a program of a device
// that swaps each FOLDER for a link to TARGET (a folder of the machine, by
// its path there) and back, as fast as it can, until STOP-FILE appears or
// SECONDS have passed. Every folder is back in its place at the end.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    const std::string target = argv[1], stop = argv[2];
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
    std::vector<std::string> folders(argv + 4, argv + argc);
    long swaps = 0;
    for (long round = 0;; ++round) {
        if (round % 64 == 0 && (access(stop.c_str(), F_OK) == 0 || std::chrono::steady_clock::now() >= until)) break;
        for (const auto& f : folders) {
            std::string aside = f + ".aside";
            if (rename(f.c_str(), aside.c_str()) != 0) continue;
            if (symlink(target.c_str(), f.c_str()) == 0) ++swaps;
            unlink(f.c_str());
            rename(aside.c_str(), f.c_str());
        }
    }
    std::printf("%ld swaps\n", swaps);
    return 0;
}
