// The whole dump document of a running home screen: the device, the instant,
// the screen, the lock screen's window, where the notification list lies, the
// alerts on screen and the hooks installed in the process.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace dump {

struct DumpInput {
    id window;                             // the lock screen's window
    std::optional<CGRect> notificationList;  // nothing: no list on screen
    // Where an alert's buttons are drawn while it is on top (screen points);
    // when given, each alert lists them as "buttonFrames".
    std::function<std::vector<CGRect>(const id& alert)> alertButtonFrames;
};

nlohmann::ordered_json deviceDump(const DumpInput& input);

}  // namespace dump
