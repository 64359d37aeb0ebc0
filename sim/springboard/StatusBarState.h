// The status bar as this home screen draws it: the device's carrier,
// reception and battery (or what overrides them, as a simulator sets them
// for a picture), in the layout of the screen and the system version, with
// the padlock of the lock state in its centre.
#pragma once

#include <optional>
#include <string>

#include "foundation/Result.h"
#include "renderer/Renderer.h"

namespace springboard {

struct StatusBarOverrides {
    std::optional<std::string> carrier = {};  // at most kMaxCarrierBytes of UTF-8
    std::optional<int> signal = {};           // bars of reception, 0 to 4
    std::optional<int> battery = {};          // percent, 0 to 100
    std::optional<bool> charging = {};
};
inline constexpr std::size_t kMaxCarrierBytes = 40;

// Takes the overrides given (the others stay as they were); refuses the whole
// change, naming the value, when one is out of range.
ns::Result<> setStatusBarOverrides(const StatusBarOverrides& overrides);
// Back to the device's own values.
void clearStatusBarOverrides();
// The overrides in force.
StatusBarOverrides statusBarOverrides();

// What the status bar shows now.
render::StatusBarContent statusBarContent();

}  // namespace springboard
