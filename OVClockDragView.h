// The draggable container of the clock block and of the weather block. A long
// press that ends switches it into move mode (half transparent); pans then move
// it; the next long press that ends leaves move mode and stores its top-left
// corner in its position file. "lockLoc" on makes long presses do nothing.
#pragma once

#include "uikit/UIView.h"

class OVClockDragView : public UIView {
public:
    id backgroundView_;                    // the container's own backdrop, hidden by setGesture
    bool canBeDraged_ = false;             // YES in move mode
    bool isWeatherContainerView_ = false;  // selects the position file and its keys
};

// Methods (on top of UIView's):
//   backgroundView, setBackgroundView: (id), canBeDraged, setCanBeDraged: (bool),
//   isWeatherContainerView, setIsWeatherContainerView: (bool),
//   setGesture: attaches a long-press (longPress:) and a pan (panView:) recogniser
//   and hides the backdrop; longPress:, panView: (void(id)): the recognisers' actions;
//   adjustHeight: (void(double)): moves the top edge to y, keeping x and the size.

namespace orvelle {
// Registers the class with the runtime; later calls do nothing.
void registerClockDragView();
}  // namespace orvelle
