// The whole dump document of a running home screen: the device, the instant,
// the screen, the lock screen's window, where the notification list lies, the
// alerts on screen and the hooks installed in the process.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dump/ViewJson.h"
#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace dump {

struct DumpInput {
    id window;                             // the lock screen's window
    std::optional<CGRect> notificationList;  // nothing: no list on screen
    // Where an alert's buttons are drawn while it is on top (screen points);
    // when given, each alert lists them as "buttonFrames".
    std::function<std::vector<CGRect>(const id& alert)> alertButtonFrames;
    // How each label's text fits its frame; when given, labels carry "textFit".
    TextMeasure textMeasure;
};

nlohmann::ordered_json deviceDump(const DumpInput& input);

// A document as text that is always valid UTF-8: a text a tweak set with
// invalid bytes is shown with U+FFFD in their place, never a failed dump.
std::string documentText(const nlohmann::ordered_json& document, int indent = -1);

}  // namespace dump
