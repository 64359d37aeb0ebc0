// What the stock date and time view shows: the time over the date, centred,
// in the lock screen's legibility colour.
#pragma once

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace springboard {

// An SBFLockScreenDateView holding its time and date labels.
id makeStockDateView(CGRect frame);
// Places the two labels in the view's bounds.
void layoutStockDateView(const id& view);
// Sets the texts for now and the colour of the controller's legibility settings.
void refreshStockDateView(const id& controller);
// The view's labels (nothing for another view).
id stockTimeLabel(const id& dateView);
id stockDateLabel(const id& dateView);

}  // namespace springboard
