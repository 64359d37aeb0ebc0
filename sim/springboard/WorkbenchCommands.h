// The control socket's requests of the workbench: the device's clock held in
// hand and the notifications posted to its lock screen. A value out of range
// is refused as a bad request, naming what is accepted.
#pragma once

#include "ControlServer.h"

namespace springboard {

Handlers workbenchHandlers();

}  // namespace springboard
