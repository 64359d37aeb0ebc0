// A line of the device log as the page shows it: its stamp, program and pid
// taken apart, the text made valid UTF-8 and bounded, and what kind it is (a
// decision of the tweak loader, a failure) so the page can mark it.
#pragma once

#include <string_view>

#include "wire/page.pb.h"

namespace sim {

inline constexpr std::size_t kLongestLogText = 4096;

wire::PageLogLine parseLogLine(std::string_view line);

}  // namespace sim
