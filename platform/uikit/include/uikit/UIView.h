// Views: geometry, the ordered subview tree, visibility flags, deferred layout,
// window moves and hit-testing. Every operation is a method in the runtime's
// tables of UIView, so hooks on UIView or a subclass see it; the C++ helpers
// below only send messages.
#pragma once

#include <memory>
#include <vector>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

class UIView : public rt::Object {
public:
    // Model state. Read it through messages; the fields are for the toolkit.
    CGRect frame_;                 // in the superview's coordinates
    CGPoint boundsOrigin_;         // bounds.size is always frame.size
    double alpha_ = 1;
    bool hidden_ = false;
    bool userInteractionEnabled_ = true;
    bool clipsToBounds_ = false;
    bool needsLayout_ = false;
    long tag_ = 0;
    id backgroundColor_;
    std::vector<id> subviews_;                 // back to front
    std::weak_ptr<rt::Object> superview_;
    std::vector<id> gestureRecognizers_;
    std::weak_ptr<rt::Object> viewController_;  // the controller whose root view this is
};

namespace ui {

// init is initWithFrame: with a zero frame.
inline constinit const rt::Msg<id(CGRect)> initWithFrame{"initWithFrame:"};

// Geometry, by value, in the superview's coordinates; bounds.size is always frame.size.
inline constinit const rt::Msg<CGRect()> frame{"frame"};
inline constinit const rt::Msg<void(CGRect)> setFrame{"setFrame:"};
inline constinit const rt::Msg<CGRect()> bounds{"bounds"};
inline constinit const rt::Msg<void(CGRect)> setBounds{"setBounds:"};
inline constinit const rt::Msg<CGPoint()> center{"center"};
inline constinit const rt::Msg<void(CGPoint)> setCenter{"setCenter:"};

// Look; setAlpha: clamps to 0..1.
inline constinit const rt::Msg<double()> alpha{"alpha"};
inline constinit const rt::Msg<void(double)> setAlpha{"setAlpha:"};
inline constinit const rt::Msg<bool()> isHidden{"isHidden"};
inline constinit const rt::Msg<void(bool)> setHidden{"setHidden:"};
inline constinit const rt::Msg<bool()> isUserInteractionEnabled{"isUserInteractionEnabled"};
inline constinit const rt::Msg<void(bool)> setUserInteractionEnabled{"setUserInteractionEnabled:"};
inline constinit const rt::Msg<bool()> clipsToBounds{"clipsToBounds"};
inline constinit const rt::Msg<void(bool)> setClipsToBounds{"setClipsToBounds:"};
inline constinit const rt::Msg<long()> tag{"tag"};
inline constinit const rt::Msg<void(long)> setTag{"setTag:"};
inline constinit const rt::Msg<id()> backgroundColor{"backgroundColor"};
inline constinit const rt::Msg<void(id)> setBackgroundColor{"setBackgroundColor:"};

// The tree. subviews answers an NSArray, back to front (ui::subviews: the C++ list).
inline constinit const rt::Msg<id()> UIView_subviews{"subviews"};
inline constinit const rt::Msg<id()> superview{"superview"};
inline constinit const rt::Msg<id()> window{"window"};
inline constinit const rt::Msg<void(id)> addSubview{"addSubview:"};
inline constinit const rt::Msg<void(id, long)> insertSubview_atIndex{"insertSubview:atIndex:"};
inline constinit const rt::Msg<void()> removeFromSuperview{"removeFromSuperview"};
inline constinit const rt::Msg<void(id)> bringSubviewToFront{"bringSubviewToFront:"};
inline constinit const rt::Msg<void(id)> sendSubviewToBack{"sendSubviewToBack:"};
inline constinit const rt::Msg<bool(id)> isDescendantOfView{"isDescendantOfView:"};
// Sent by the toolkit around every move; the window messages reach the moved
// view and all its descendants whenever the window they are in changes, and only then.
inline constinit const rt::Msg<void(id)> willMoveToSuperview{"willMoveToSuperview:"};
inline constinit const rt::Msg<void()> didMoveToSuperview{"didMoveToSuperview"};
inline constinit const rt::Msg<void(id)> willMoveToWindow{"willMoveToWindow:"};
inline constinit const rt::Msg<void()> didMoveToWindow{"didMoveToWindow"};
inline constinit const rt::Msg<void(id)> didAddSubview{"didAddSubview:"};
inline constinit const rt::Msg<void(id)> willRemoveSubview{"willRemoveSubview:"};

// Layout is deferred: setFrame: with a new size, addSubview: (the receiver and
// the added view) and removeFromSuperview (the old superview) send
// setNeedsLayout; layoutSubviews then runs on layoutIfNeeded or in the next
// layout pass (uikit/Layout.h), never inside those calls.
inline constinit const rt::Msg<void()> setNeedsLayout{"setNeedsLayout"};
inline constinit const rt::Msg<void()> layoutIfNeeded{"layoutIfNeeded"};
inline constinit const rt::Msg<void()> layoutSubviews{"layoutSubviews"};

inline constinit const rt::Msg<void(id)> addGestureRecognizer{"addGestureRecognizer:"};
inline constinit const rt::Msg<void(id)> removeGestureRecognizer{"removeGestureRecognizer:"};
inline constinit const rt::Msg<id()> gestureRecognizers{"gestureRecognizers"};  // an NSArray

// Hit-testing and coordinates. Views here are untransformed; to/from nothing is
// the root's superview-free coordinates.
inline constinit const rt::Msg<id(CGPoint, id)> hitTest_withEvent{"hitTest:withEvent:"};
inline constinit const rt::Msg<bool(CGPoint, id)> pointInside_withEvent{"pointInside:withEvent:"};
inline constinit const rt::Msg<CGPoint(CGPoint, id)> convertPoint_toView{"convertPoint:toView:"};
inline constinit const rt::Msg<CGPoint(CGPoint, id)> convertPoint_fromView{"convertPoint:fromView:"};
inline constinit const rt::Msg<CGRect(CGRect, id)> convertRect_toView{"convertRect:toView:"};
inline constinit const rt::Msg<CGRect(CGRect, id)> convertRect_fromView{"convertRect:fromView:"};
// The class messages animateWithDuration:animations:[completion:] are in uikit/Animation.h.

// [[cls alloc] initWithFrame:frame]
inline id makeView(rt::Class* cls, CGRect frame) { return initWithFrame(rt::alloc(cls), frame); }
inline id makeView(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UIView"), frame); }
// hitTest:withEvent: without an event.
inline id hitTest(const id& v, CGPoint p) { return hitTest_withEvent(v, p, id{}); }
// The subviews, back to front (a copy: the C++ list, not an NSArray).
std::vector<id> subviews(const id& v);

}  // namespace ui
