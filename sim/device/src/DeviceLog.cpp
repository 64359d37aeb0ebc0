#include "device/DeviceLog.h"

#include <sstream>

#include "device/DeviceFiles.h"
#include "wire/Frame.h"
#include "wire/keeper.pb.h"

namespace sim {

std::string lastLine(const std::string& text) {
    std::istringstream in(text);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

std::string loadingLibrary(const Device& device) {
    auto bytes = DeviceFiles(device).read(device.runFolder() / "SpringBoard.loading", 64 * 1024);
    if (!bytes) return {};
    auto progress = wire::decode<wire::LoaderProgress>(*bytes);
    return progress ? progress->loading().substr(0, 256) : std::string();
}

std::string lastLogLine(const Device& device) {
    auto tail = DeviceFiles(device).readTail(device.logFile(), 4096);
    return tail ? lastLine(*tail) : tail.reason();
}

}  // namespace sim
