// A tweak that logs what it finds inside the home screen it is loaded into.
#include <fstream>

#include "WallProbe.h"
#include "foundation/Log.h"

namespace {

__attribute__((constructor)) void probeWalls() {
    // The port of the test's server on the machine's loopback, left in the device.
    int port = 9;
    std::ifstream("/var/mobile/wall-probe-port") >> port;
    ns::logLine("WALLS " + wallReport(port, "/var/mobile/wall-probe-springboard"));
}

}  // namespace
