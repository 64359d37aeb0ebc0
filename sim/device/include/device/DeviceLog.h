// The device log as the tool quotes it in a failure's message.
#pragma once

#include <string>

#include "device/Device.h"

namespace sim {

// The last line that is not empty (of a program's output, say).
std::string lastLine(const std::string& text);
// The device log's last line, read from its tail only, whatever the device
// wrote into it; the reason when it cannot be read.
std::string lastLogLine(const Device& device);
// The tweak SpringBoard's loader was loading last, as its progress file
// says; empty when it was loading none (or there is no such file).
std::string loadingLibrary(const Device& device);

}  // namespace sim
