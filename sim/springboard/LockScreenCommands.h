// The control socket's requests for the lock screen: the dump, a
// screenshot, media, a finger on the screen (while an alert is shown, a tap
// on one of its buttons), the today page, the weather widgets' refresh, and
// watching the screen (LiveScreen.h).
#pragma once

#include <string>

#include "ControlServer.h"

namespace springboard {

Handlers lockScreenHandlers();

// The dump document of this process, as compact JSON.
std::string dumpText();

}  // namespace springboard
