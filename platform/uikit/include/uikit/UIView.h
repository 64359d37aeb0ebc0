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

// UIView methods (signature in parentheses; geometry by value):
//   initWithFrame: (id(CGRect)), init (id()) = initWithFrame: with a zero frame
//   frame, bounds (CGRect()), center (CGPoint()), setFrame:, setBounds: (void(CGRect)),
//   setCenter: (void(CGPoint))
//   alpha (double()), setAlpha: (void(double), clamped to 0..1), isHidden, setHidden:,
//   isUserInteractionEnabled, setUserInteractionEnabled:, clipsToBounds, setClipsToBounds: (bool)
//   tag, setTag: (long), backgroundColor, setBackgroundColor: (id)
//   subviews (id(): an NSArray, back to front), superview, window (id())
//   addSubview:, removeFromSuperview, bringSubviewToFront:, sendSubviewToBack:,
//   insertSubview:atIndex: (void(id, long)), isDescendantOfView: (bool(id))
//   willMoveToSuperview:, didMoveToSuperview, willMoveToWindow: (void(id)), didMoveToWindow
//   setNeedsLayout, layoutIfNeeded, layoutSubviews
//   addGestureRecognizer:, removeGestureRecognizer: (void(id)), gestureRecognizers (id())
//   hitTest:withEvent: (id(CGPoint, id)), pointInside:withEvent: (bool(CGPoint, id))
//   convertPoint:toView:, convertPoint:fromView: (CGPoint(CGPoint, id)),
//   convertRect:toView:, convertRect:fromView: (CGRect(CGRect, id))
// Class methods: animateWithDuration:animations: (void(double, std::function<void()>)),
//   animateWithDuration:animations:completion: (void(double, std::function<void()>,
//   std::function<void(bool)>)): see uikit/Animation.h.
//
// Layout is deferred: setFrame: with a new size, addSubview: (the receiver and
// the added view) and removeFromSuperview (the old superview) send
// setNeedsLayout; layoutSubviews then runs on layoutIfNeeded or in the next
// layout pass (uikit/Layout.h), never inside those calls.
// willMoveToWindow:/didMoveToWindow reach the moved view and all its
// descendants whenever the window they are in changes, and only then.

namespace ui {

inline id makeView(rt::Class* cls, CGRect frame) {
    return rt::send<id(CGRect)>(rt::alloc(cls), "initWithFrame:", frame);
}
inline id makeView(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UIView"), frame); }

inline CGRect frame(const id& v) { return rt::send<CGRect()>(v, "frame"); }
inline void setFrame(const id& v, CGRect r) { rt::send<void(CGRect)>(v, "setFrame:", r); }
inline CGRect bounds(const id& v) { return rt::send<CGRect()>(v, "bounds"); }
inline void setBounds(const id& v, CGRect r) { rt::send<void(CGRect)>(v, "setBounds:", r); }
inline CGPoint center(const id& v) { return rt::send<CGPoint()>(v, "center"); }
inline void setCenter(const id& v, CGPoint p) { rt::send<void(CGPoint)>(v, "setCenter:", p); }
inline double alpha(const id& v) { return rt::send<double()>(v, "alpha"); }
inline void setAlpha(const id& v, double a) { rt::send<void(double)>(v, "setAlpha:", a); }
inline bool isHidden(const id& v) { return rt::send<bool()>(v, "isHidden"); }
inline void setHidden(const id& v, bool h) { rt::send<void(bool)>(v, "setHidden:", h); }
inline id backgroundColor(const id& v) { return rt::send<id()>(v, "backgroundColor"); }
inline void setBackgroundColor(const id& v, const id& c) { rt::send<void(id)>(v, "setBackgroundColor:", c); }
inline void setUserInteractionEnabled(const id& v, bool e) { rt::send<void(bool)>(v, "setUserInteractionEnabled:", e); }
inline id superview(const id& v) { return rt::send<id()>(v, "superview"); }
inline id window(const id& v) { return rt::send<id()>(v, "window"); }
inline void addSubview(const id& v, const id& sub) { rt::send<void(id)>(v, "addSubview:", sub); }
inline void removeFromSuperview(const id& v) { rt::send<void()>(v, "removeFromSuperview"); }
inline void bringSubviewToFront(const id& v, const id& sub) { rt::send<void(id)>(v, "bringSubviewToFront:", sub); }
inline void setNeedsLayout(const id& v) { rt::send<void()>(v, "setNeedsLayout"); }
inline void layoutIfNeeded(const id& v) { rt::send<void()>(v, "layoutIfNeeded"); }
inline void addGestureRecognizer(const id& v, const id& g) { rt::send<void(id)>(v, "addGestureRecognizer:", g); }
inline id hitTest(const id& v, CGPoint p) { return rt::send<id(CGPoint, id)>(v, "hitTest:withEvent:", p, id{}); }
inline CGPoint convertPoint(const id& from, CGPoint p, const id& to) {
    return rt::send<CGPoint(CGPoint, id)>(from, "convertPoint:toView:", p, to);
}
// The subviews, back to front (a copy: the C++ list, not an NSArray).
std::vector<id> subviews(const id& v);

}  // namespace ui
