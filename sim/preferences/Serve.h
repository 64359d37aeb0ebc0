// The Settings app kept running for the web simulator's session: requests of
// the device's wire (wire/settings.proto) on standard input, each answered on
// standard output with its number, on the main run loop, until standard input
// closes. What anything else prints goes to standard error.
#pragma once

#include "Requests.h"

namespace prefs {

int serve(const Settings& settings);

}  // namespace prefs
