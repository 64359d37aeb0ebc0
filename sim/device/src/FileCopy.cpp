#include "device/FileCopy.h"

#include <fstream>
#include <sstream>

#include "wire/Failure.h"

namespace sim {

void installFile(const DeviceFiles& device, const std::filesystem::path& from, const std::filesystem::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (!in || in.bad()) throw Failure("cannot install " + from.string() + ": it cannot be read");
    if (auto written = device.replace(to, bytes.str()); !written)
        throw Failure("cannot install " + from.string() + ": " + written.reason());
}

}  // namespace sim
