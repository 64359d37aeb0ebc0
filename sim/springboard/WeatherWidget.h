// The weather widget's work: while its controller lives as a child controller
// it fills its view from the device's weather record every update interval,
// calling the view's setters in the widget's order: temperature, location,
// condition image, then the conditions line; a value the record lacks is set
// as nothing.
#pragma once

#include "foundation/Objects.h"

namespace springboard {

// setUpdateInterval: on a widget controller: the first refresh comes at the
// next turn of the run loop, then one every `seconds` (a new interval
// replaces the old schedule).
void startWeatherRefresh(const id& widget, double seconds);
// Fills the widget's view from the record now, when it is a child controller;
// answers whether it did.
bool refreshWidget(const id& widget);
// Refreshes every live widget now; answers how many refreshed.
int refreshWeatherNow();

}  // namespace springboard
