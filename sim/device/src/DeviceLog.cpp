#include "device/DeviceLog.h"

#include <sstream>

#include "device/DeviceFiles.h"

namespace sim {

std::string lastLine(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

std::string lastLogLine(const Device& device) {
    auto tail = DeviceFiles(device).readTail(device.logFile(), 4096);
    return tail ? lastLine(*tail) : tail.reason();
}

}  // namespace sim
