// wall_probe PORT OWNER-FILE: prints what a command finds inside a device.
#include <cstdio>
#include <cstdlib>

#include "WallProbe.h"

int main(int argc, char** argv) {
    std::puts(("WALLS " + wallReport(argc > 1 ? std::atoi(argv[1]) : 9, argc > 2 ? argv[2] : "")).c_str());
    return 0;
}
