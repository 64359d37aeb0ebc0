#include "uikit/UIPanGestureRecognizer.h"

#include <cmath>

#include "Internal.h"

void UIPanGestureRecognizer::touchBegan(const id&, CGPoint p) {
    reset();
    start_ = p;
    baseline_ = p;
}

void UIPanGestureRecognizer::touchMoved(const id& self, CGPoint p) {
    if (state_ == UIGestureRecognizerStatePossible) {
        if (std::hypot(p.x - start_.x, p.y - start_.y) > threshold_) transition(self, UIGestureRecognizerStateBegan);
    } else if (state_ == UIGestureRecognizerStateBegan || state_ == UIGestureRecognizerStateChanged) {
        transition(self, UIGestureRecognizerStateChanged);
    }
}

void UIPanGestureRecognizer::touchEnded(const id& self, CGPoint) {
    if (state_ == UIGestureRecognizerStateBegan || state_ == UIGestureRecognizerStateChanged)
        transition(self, UIGestureRecognizerStateEnded);
    else if (state_ == UIGestureRecognizerStatePossible)
        fail();
}

void UIPanGestureRecognizer::touchCancelled(const id& self) { UIGestureRecognizer::touchCancelled(self); }

void UIPanGestureRecognizer::reset() {
    UIGestureRecognizer::reset();
    start_ = baseline_ = location_;
}

namespace ui {
namespace {
CGPoint translationImp(id self, SEL cmd, id) {
    auto& g = rt::state<UIPanGestureRecognizer>(self, cmd);
    return {g.location_.x - g.baseline_.x, g.location_.y - g.baseline_.y};
}
void setTranslationImp(id self, SEL cmd, CGPoint t, id) {
    auto& g = rt::state<UIPanGestureRecognizer>(self, cmd);
    g.baseline_ = {g.location_.x - t.x, g.location_.y - t.y};
}
}  // namespace

namespace detail {
void registerPanClass() {
    rt::Class* cls = registerClass<UIPanGestureRecognizer>("UIPanGestureRecognizer", rt::objc_getClass("UIGestureRecognizer"));
    rt::defineMethod(cls, translationInView, &translationImp);
    rt::defineMethod(cls, setTranslation_inView, &setTranslationImp);
}
}  // namespace detail
}  // namespace ui
