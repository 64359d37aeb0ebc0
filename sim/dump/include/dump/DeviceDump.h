// The whole dump document of a running home screen: the device, the instant,
// the screen, the lock screen's window, where the notification list lies, the
// alerts on screen and the hooks installed in the process.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace dump {

struct DumpInput {
    id window;                             // the lock screen's window
    std::optional<CGRect> notificationList;  // nothing: no list on screen
};

nlohmann::ordered_json deviceDump(const DumpInput& input);

}  // namespace dump
