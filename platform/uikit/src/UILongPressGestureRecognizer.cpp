#include "uikit/UILongPressGestureRecognizer.h"

#include <cmath>

#include "Internal.h"
#include "foundation/Timer.h"

namespace {
double distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

void UILongPressGestureRecognizer::touchBegan(const id& self, CGPoint p) {
    reset();
    start_ = p;
    std::weak_ptr<rt::Object> weakSelf = self;
    // Held down long enough, and still a candidate: the press begins.
    timer_ = ns::Timer::afterReal(minimumPressDuration_, "a long press's hold", [weakSelf] {
        id me = weakSelf.lock();
        auto* g = dynamic_cast<UILongPressGestureRecognizer*>(me.get());
        if (g && g->state_ == UIGestureRecognizerStatePossible) g->transition(me, UIGestureRecognizerStateBegan);
    });
}

void UILongPressGestureRecognizer::touchMoved(const id& self, CGPoint p) {
    if (state_ == UIGestureRecognizerStatePossible) {
        if (distance(p, start_) > allowableMovement_) fail();
    } else if (state_ == UIGestureRecognizerStateBegan || state_ == UIGestureRecognizerStateChanged) {
        transition(self, UIGestureRecognizerStateChanged);
    }
}

void UILongPressGestureRecognizer::touchEnded(const id& self, CGPoint) {
    if (state_ == UIGestureRecognizerStateBegan || state_ == UIGestureRecognizerStateChanged)
        transition(self, UIGestureRecognizerStateEnded);
    else if (state_ == UIGestureRecognizerStatePossible)
        fail();
}

void UILongPressGestureRecognizer::touchCancelled(const id& self) {
    UIGestureRecognizer::touchCancelled(self);
    timer_.cancel();
}

void UILongPressGestureRecognizer::reset() {
    timer_.cancel();
    UIGestureRecognizer::reset();
}

void UILongPressGestureRecognizer::fail() {
    timer_.cancel();
    UIGestureRecognizer::fail();
}

namespace ui {
namespace {
UILongPressGestureRecognizer& P(const id& self, SEL cmd) { return rt::state<UILongPressGestureRecognizer>(self, cmd); }
double durationImp(id self, SEL cmd) { return P(self, cmd).minimumPressDuration_; }
void setDurationImp(id self, SEL cmd, double d) { P(self, cmd).minimumPressDuration_ = d; }
double movementImp(id self, SEL cmd) { return P(self, cmd).allowableMovement_; }
void setMovementImp(id self, SEL cmd, double m) { P(self, cmd).allowableMovement_ = m; }
}  // namespace

namespace detail {
void registerLongPressClass() {
    rt::Class* cls = registerClass<UILongPressGestureRecognizer>("UILongPressGestureRecognizer",
                                                                 rt::objc_getClass("UIGestureRecognizer"));
    rt::defineMethod(cls, minimumPressDuration, &durationImp);
    rt::defineMethod(cls, setMinimumPressDuration, &setDurationImp);
    rt::defineMethod(cls, allowableMovement, &movementImp);
    rt::defineMethod(cls, setAllowableMovement, &setMovementImp);
}
}  // namespace detail
}  // namespace ui
