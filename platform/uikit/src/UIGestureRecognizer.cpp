#include "uikit/UIGestureRecognizer.h"

#include <algorithm>

#include "Internal.h"
#include "uikit/UIView.h"

void UIGestureRecognizer::touchBegan(const id&, CGPoint) {}
void UIGestureRecognizer::touchMoved(const id&, CGPoint) {}
void UIGestureRecognizer::touchEnded(const id&, CGPoint) {
    if (state_ == UIGestureRecognizerStatePossible) fail();
}
void UIGestureRecognizer::touchCancelled(const id& self) {
    if (state_ == UIGestureRecognizerStateBegan || state_ == UIGestureRecognizerStateChanged)
        transition(self, UIGestureRecognizerStateCancelled);
    else if (state_ == UIGestureRecognizerStatePossible)
        fail();
}
void UIGestureRecognizer::reset() { state_ = UIGestureRecognizerStatePossible; }
void UIGestureRecognizer::fail() { state_ = UIGestureRecognizerStateFailed; }

void UIGestureRecognizer::transition(const id& self, long newState) {
    bool leavesPossible = state_ == UIGestureRecognizerStatePossible && newState != UIGestureRecognizerStateFailed;
    state_ = newState;
    // The first recogniser out of "possible" wins the touch; the others fail.
    if (leavesPossible) ui::detail::recognizerBegan(self);
    if (newState < UIGestureRecognizerStateBegan || newState > UIGestureRecognizerStateCancelled) return;
    std::vector<Target> targets = targets_;
    for (const auto& t : targets)
        if (id target = t.target.lock()) rt::sendAction(target, t.action, self);
}

namespace ui {

namespace {

UIGestureRecognizer& G(const id& self, SEL cmd) { return rt::state<UIGestureRecognizer>(self, cmd); }

id initWithTargetImp(id self, SEL cmd, id target, SEL action) {
    auto& g = G(self, cmd);
    if (target && action) g.targets_.push_back({target, action});
    return self;
}
void addTargetImp(id self, SEL cmd, id target, SEL action) {
    if (target && action) G(self, cmd).targets_.push_back({target, action});
}
void removeTargetImp(id self, SEL cmd, id target, SEL action) {
    auto& t = G(self, cmd).targets_;
    std::erase_if(t, [&](const UIGestureRecognizer::Target& x) {
        id held = x.target.lock();
        return (!target || held == target) && (!action || x.action == action);
    });
}
long stateImp(id self, SEL cmd) { return G(self, cmd).state_; }
void setStateImp(id self, SEL cmd, long s) { G(self, cmd).transition(self, s); }
id viewImp(id self, SEL cmd) { return G(self, cmd).view_.lock(); }
bool isEnabledImp(id self, SEL cmd) { return G(self, cmd).enabled_; }
void setEnabledImp(id self, SEL cmd, bool e) {
    auto& g = G(self, cmd);
    g.enabled_ = e;
    // Disabling cancels a gesture under way.
    if (!e) g.touchCancelled(self);
}
CGPoint locationInViewImp(id self, SEL cmd, id view) {
    auto& g = G(self, cmd);
    return view ? convertPoint_fromView(view, g.location_, id{}) : g.location_;
}

}  // namespace

namespace detail {
void registerGestureRecognizerClass() {
    rt::Class* cls = registerClass<UIGestureRecognizer>("UIGestureRecognizer", rt::NSObjectClass());
    rt::defineMethod(cls, initWithTarget_action, &initWithTargetImp);
    rt::defineMethod(cls, addTarget_action, &addTargetImp);
    rt::defineMethod(cls, removeTarget_action, &removeTargetImp);
    rt::defineMethod(cls, state, &stateImp);
    rt::defineMethod(cls, setState, &setStateImp);
    rt::defineMethod(cls, view, &viewImp);
    rt::defineMethod(cls, isEnabled, &isEnabledImp);
    rt::defineMethod(cls, setEnabled, &setEnabledImp);
    rt::defineMethod(cls, locationInView, &locationInViewImp);
}
}  // namespace detail

}  // namespace ui
