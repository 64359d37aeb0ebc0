// A kept program other than SpringBoard that crashes right after its start,
// with a library to blame, until it is started in safe mode; then it stays.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "crash/CrashNote.h"
#include "wire/InsidePaths.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--safe-mode") == 0) {
        for (;;) pause();
    }
    // Its supervisor knows it by its file's name.
    const std::string name = std::strrchr(argv[0], '/') ? std::strrchr(argv[0], '/') + 1 : argv[0];
    crash::installCrashNote(name);
    crash::keepLoaderProgress(std::string(sim::inside::kRunFolder) + "/" + name + ".loading");
    crash::noteLoading("Crashy.dylib");
    std::abort();
}
