// Gesture recognisers driven by touches (uikit/Touch.h). The recognisers of the
// touched view and of its ancestors all see a touch; by default no two of them
// recognise together: the first to leave "possible" wins and the others fail.
// Actions go to every target for began, changed, ended and cancelled (never for
// possible or failed), synchronously while the touch or timer is handled.
// A finished recogniser keeps reading its last state until the next touch begins.
#pragma once

#include <vector>

#include "graphics/Geometry.h"
#include "foundation/Objects.h"
#include "uikit/SharedMessages.h"

enum UIGestureRecognizerState : long {
    UIGestureRecognizerStatePossible = 0,
    UIGestureRecognizerStateBegan = 1,
    UIGestureRecognizerStateChanged = 2,
    UIGestureRecognizerStateEnded = 3,
    UIGestureRecognizerStateCancelled = 4,
    UIGestureRecognizerStateFailed = 5,
    UIGestureRecognizerStateRecognized = UIGestureRecognizerStateEnded,
};

class UIGestureRecognizer : public rt::Object {
public:
    struct Target {
        std::weak_ptr<rt::Object> target;  // held weakly, as on the device
        SEL action = nullptr;
    };
    std::vector<Target> targets_;
    long state_ = UIGestureRecognizerStatePossible;
    bool enabled_ = true;
    std::weak_ptr<rt::Object> view_;
    CGPoint location_;  // the touch, in window coordinates

    // Touch handling; `self` is this recogniser as an object.
    virtual void touchBegan(const id& self, CGPoint windowPoint);
    virtual void touchMoved(const id& self, CGPoint windowPoint);
    virtual void touchEnded(const id& self, CGPoint windowPoint);
    virtual void touchCancelled(const id& self);
    // Back to possible, dropping what the last touch left.
    virtual void reset();
    // Gives up on this touch (another recogniser won, or the touch does not fit).
    virtual void fail();

    // Moves to `state`, telling the targets when the state is one they hear of.
    void transition(const id& self, long state);
};

namespace ui {

// Also view, isEnabled and setEnabled: (uikit/SharedMessages.h).
inline constinit const rt::Msg<id(id, SEL)> initWithTarget_action{"initWithTarget:action:"};
inline constinit const rt::Msg<void(id, SEL)> addTarget_action{"addTarget:action:"};
inline constinit const rt::Msg<void(id, SEL)> removeTarget_action{"removeTarget:action:"};
inline constinit const rt::Msg<long()> state{"state"};
inline constinit const rt::Msg<void(long)> setState{"setState:"};
inline constinit const rt::Msg<CGPoint(id)> locationInView{"locationInView:"};

// [[cls alloc] initWithTarget:target action:action]
inline id makeGestureRecognizer(std::string_view className, const id& target, SEL action) {
    return initWithTarget_action(rt::alloc(rt::objc_getClass(className)), target, action);
}
}  // namespace ui
