// The home screen's application (class SpringBoard, a UIApplication).
#pragma once

#include "foundation/Objects.h"

namespace host {

// Sent once the process has started; the lock screen's life begins after it.
inline constinit const rt::Msg<void(id application)> applicationDidFinishLaunching{"applicationDidFinishLaunching:"};

}  // namespace host
