// The run loop's hold on the virtual clock; not for other layers.
#pragma once

namespace ns {
// Moves the virtual clock forward to `seconds` (never backwards).
void setVirtualNow(double seconds);
}  // namespace ns
