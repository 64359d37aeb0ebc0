// The touch entry point: one finger, in window coordinates. touchDown hit-tests
// the window (hitTest:withEvent:) and hands the touch to the gesture
// recognisers of the hit view and its ancestors, nearest first.
#pragma once

#include "graphics/Geometry.h"
#include "foundation/Objects.h"

namespace ui {
// Answers the view that was hit, or nothing.
id touchDown(const id& window, CGPoint p);
void touchMove(const id& window, CGPoint p);
void touchUp(const id& window, CGPoint p);
// Ends the current touch without a lift (cancelled to the recognisers).
void touchCancel();
}  // namespace ui
