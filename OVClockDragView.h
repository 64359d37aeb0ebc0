// The draggable container of the clock block and of the weather block. A long
// press that ends switches it into move mode (half transparent); pans then move
// it; the next long press that ends leaves move mode and stores its top-left
// corner in its position file. "lockLoc" on makes long presses do nothing.
// A drag keeps the container's centre within reach (reachableCentre).
#pragma once

#include "uikit/UIView.h"

class OVClockDragView : public UIView {
public:
    id backgroundView_;                    // the container's own backdrop, hidden by setGesture
    bool canBeDraged_ = false;             // YES in move mode
    bool isWeatherContainerView_ = false;  // selects the position file and its keys
};

namespace orvelle {

inline constinit const rt::Msg<id()> backgroundView{"backgroundView"};
inline constinit const rt::Msg<void(id)> setBackgroundView{"setBackgroundView:"};
inline constinit const rt::Msg<bool()> canBeDraged{"canBeDraged"};
inline constinit const rt::Msg<void(bool)> setCanBeDraged{"setCanBeDraged:"};
inline constinit const rt::Msg<bool()> isWeatherContainerView{"isWeatherContainerView"};
inline constinit const rt::Msg<void(bool)> setIsWeatherContainerView{"setIsWeatherContainerView:"};
// Attaches a long-press (longPress:) and a pan (panView:) recogniser and hides the backdrop.
inline constinit const rt::Msg<void()> setGesture{"setGesture"};
// The recognisers' actions.
inline constinit const rt::Msg<void(id recognizer)> longPress{"longPress:"};
inline constinit const rt::Msg<void(id recognizer)> panView{"panView:"};
// Moves the top edge to y, keeping x and the size.
inline constinit const rt::Msg<void(double y)> adjustHeight{"adjustHeight:"};

// The nearest point to `centre` (in the coordinates of the blocks' host view)
// at which a block's centre lies inside the screen and inside the host view,
// where touches reach it, so a long press can always find the block again.
CGPoint reachableCentre(const id& hostView, CGPoint centre);

// Registers the class with the runtime; later calls do nothing.
void registerClockDragView();
}  // namespace orvelle
