// What the tweak asks of the running system.
#pragma once

#include "foundation/Objects.h"

namespace orvelle {

// The system version as the device parses it: single precision, "10.3.3" is
// 10.3, and text that does not parse is 0.
double systemVersion();
inline bool atLeast11() { return systemVersion() >= 11.0; }

}  // namespace orvelle
