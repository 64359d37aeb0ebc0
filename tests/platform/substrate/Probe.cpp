#include "Probe.h"

void probeRecord(const std::string& library) { probeLoaded().push_back(library); }

std::vector<std::string>& probeLoaded() {
    static std::vector<std::string> loaded;
    return loaded;
}
