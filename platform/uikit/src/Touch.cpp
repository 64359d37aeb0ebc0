#include "uikit/Touch.h"

#include "Internal.h"
#include "foundation/Process.h"
#include "uikit/UIGestureRecognizer.h"
#include "uikit/UIView.h"

namespace ui {

namespace {

struct Touch {
    bool active = false;
    std::vector<id> recognizers;  // of the hit view and its ancestors, nearest first
};
// One touch in progress per process, owned by the process.
Touch& touch() { return ns::Process::current().part<Touch>(); }

UIGestureRecognizer* R(const id& g) { return dynamic_cast<UIGestureRecognizer*>(g.get()); }

// Each live recogniser of the touch, with a copy of the list: a callback may
// start another touch or drop recognisers.
template <class F>
void forEach(F&& f) {
    std::vector<id> list = touch().recognizers;
    for (const id& g : list)
        if (auto* r = R(g)) f(g, *r);
}

}  // namespace

namespace detail {
void recognizerBegan(const id& recognizer) {
    auto& t = touch();
    if (!t.active) return;
    bool participates = false;
    for (const id& g : t.recognizers) participates |= g == recognizer;
    if (!participates) return;
    forEach([&](const id& g, UIGestureRecognizer& r) {
        if (g != recognizer && r.state_ == UIGestureRecognizerStatePossible) r.fail();
    });
}
}  // namespace detail

id touchDown(const id& window, CGPoint p) {
    auto& t = touch();
    if (t.active) touchCancel();
    // What the previous touch left is reset now, so its final states stayed readable until here.
    forEach([](const id&, UIGestureRecognizer& r) { r.reset(); });
    t.recognizers.clear();
    id hit = hitTest(window, p);
    for (id v = hit; v; v = superview(v)) {
        auto* view = dynamic_cast<UIView*>(v.get());
        if (!view) break;
        for (const id& g : view->gestureRecognizers_)
            if (auto* r = R(g); r && r->enabled_) t.recognizers.push_back(g);
    }
    t.active = true;
    forEach([&](const id& g, UIGestureRecognizer& r) {
        r.location_ = p;
        r.touchBegan(g, p);
    });
    return hit;
}

void touchMove(const id&, CGPoint p) {
    if (!touch().active) return;
    forEach([&](const id& g, UIGestureRecognizer& r) {
        r.location_ = p;
        if (r.state_ != UIGestureRecognizerStateFailed) r.touchMoved(g, p);
    });
}

void touchUp(const id&, CGPoint p) {
    auto& t = touch();
    if (!t.active) return;
    forEach([&](const id& g, UIGestureRecognizer& r) {
        r.location_ = p;
        if (r.state_ != UIGestureRecognizerStateFailed) r.touchEnded(g, p);
    });
    t.active = false;
}

void touchCancel() {
    auto& t = touch();
    if (!t.active) return;
    forEach([](const id& g, UIGestureRecognizer& r) {
        if (r.state_ != UIGestureRecognizerStateFailed) r.touchCancelled(g);
    });
    t.active = false;
}

}  // namespace ui
