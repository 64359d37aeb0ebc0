#include "uikit/UIView.h"

#include <algorithm>
#include <cmath>

#include "Internal.h"
#include "uikit/UIColor.h"
#include "uikit/UIGestureRecognizer.h"
#include "uikit/UIViewController.h"
#include "uikit/UIWindow.h"

namespace ui {

namespace {

UIView& V(const id& self, SEL cmd) { return rt::state<UIView>(self, cmd); }

bool finite(CGRect r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}
bool finite(CGPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

RGBA rgbaOf(const id& color) {
    auto* c = dynamic_cast<UIColor*>(color.get());
    return c ? RGBA{c->red, c->green, c->blue, c->alpha} : RGBA{};
}

// The window a view is in: the first UIWindow up its superview chain (itself included).
id windowOf(const id& view) {
    for (id v = view; v;) {
        if (dynamic_cast<UIWindow*>(v.get())) return v;
        auto* uv = dynamic_cast<UIView*>(v.get());
        v = uv ? uv->superview_.lock() : id{};
    }
    return {};
}

// Sends a message to the view and all its descendants, parents first.
template <class... A>
void sendToSubtree(const id& view, const rt::Msg<void(A...)>& message, const A&... args) {
    message(view, args...);
    auto* uv = dynamic_cast<UIView*>(view.get());
    if (!uv) return;
    std::vector<id> children = uv->subviews_;  // a message may change the list
    for (const id& c : children) sendToSubtree(c, message, args...);
}

bool isAncestor(const id& maybeAncestor, const id& view) {
    for (id v = view; v;) {
        if (v == maybeAncestor) return true;
        auto* uv = dynamic_cast<UIView*>(v.get());
        v = uv ? uv->superview_.lock() : id{};
    }
    return false;
}

// ---- life -----------------------------------------------------------------------

id initWithFrameImp(id self, SEL, CGRect r) {
    setFrame(self, r);
    return self;
}
id initImp(id self, SEL) { return initWithFrame(self, CGRectZero); }

// ---- geometry ---------------------------------------------------------------------

CGRect frameImp(id self, SEL cmd) { return V(self, cmd).frame_; }
CGRect boundsImp(id self, SEL cmd) {
    auto& v = V(self, cmd);
    return {v.boundsOrigin_, v.frame_.size};
}
CGPoint centerImp(id self, SEL cmd) {
    auto& v = V(self, cmd);
    return {v.frame_.origin.x + v.frame_.size.width / 2, v.frame_.origin.y + v.frame_.size.height / 2};
}

void setFrameImp(id self, SEL cmd, CGRect r) {
    auto& v = V(self, cmd);
    if (!finite(r)) {
        NSLog("UIView: setFrame: with a coordinate that is not a finite number ignored (%s)", self->isa->name().c_str());
        return;
    }
    CGRect old = v.frame_;
    if (detail::animating()) detail::recordChange(self, "frame", old, r);
    v.frame_ = r;
    if (old.size != r.size) setNeedsLayout(self);
}

void setBoundsImp(id self, SEL cmd, CGRect r) {
    auto& v = V(self, cmd);
    if (!finite(r)) {
        NSLog("UIView: setBounds: with a coordinate that is not a finite number ignored (%s)", self->isa->name().c_str());
        return;
    }
    CGRect oldBounds{v.boundsOrigin_, v.frame_.size};
    if (detail::animating()) detail::recordChange(self, "bounds", oldBounds, r);
    // A size change grows or shrinks around the fixed centre.
    CGPoint c{v.frame_.origin.x + v.frame_.size.width / 2, v.frame_.origin.y + v.frame_.size.height / 2};
    v.boundsOrigin_ = r.origin;
    if (r.size != v.frame_.size) {
        v.frame_ = {{c.x - r.size.width / 2, c.y - r.size.height / 2}, r.size};
        setNeedsLayout(self);
    }
}

void setCenterImp(id self, SEL cmd, CGPoint p) {
    auto& v = V(self, cmd);
    if (!finite(p)) {
        NSLog("UIView: setCenter: with a coordinate that is not a finite number ignored (%s)", self->isa->name().c_str());
        return;
    }
    CGPoint old{v.frame_.origin.x + v.frame_.size.width / 2, v.frame_.origin.y + v.frame_.size.height / 2};
    if (detail::animating()) detail::recordChange(self, "center", old, p);
    v.frame_.origin = {p.x - v.frame_.size.width / 2, p.y - v.frame_.size.height / 2};
}

// ---- appearance ---------------------------------------------------------------------

double alphaImp(id self, SEL cmd) { return V(self, cmd).alpha_; }
void setAlphaImp(id self, SEL cmd, double a) {
    auto& v = V(self, cmd);
    double value = std::isnan(a) ? v.alpha_ : std::clamp(a, 0.0, 1.0);
    if (detail::animating()) detail::recordChange(self, "alpha", v.alpha_, value);
    v.alpha_ = value;
}
bool isHiddenImp(id self, SEL cmd) { return V(self, cmd).hidden_; }
void setHiddenImp(id self, SEL cmd, bool h) { V(self, cmd).hidden_ = h; }
bool isUserInteractionEnabledImp(id self, SEL cmd) { return V(self, cmd).userInteractionEnabled_; }
void setUserInteractionEnabledImp(id self, SEL cmd, bool e) { V(self, cmd).userInteractionEnabled_ = e; }
bool clipsToBoundsImp(id self, SEL cmd) { return V(self, cmd).clipsToBounds_; }
void setClipsToBoundsImp(id self, SEL cmd, bool c) { V(self, cmd).clipsToBounds_ = c; }
long tagImp(id self, SEL cmd) { return V(self, cmd).tag_; }
void setTagImp(id self, SEL cmd, long t) { V(self, cmd).tag_ = t; }
id backgroundColorImp(id self, SEL cmd) { return V(self, cmd).backgroundColor_; }
void setBackgroundColorImp(id self, SEL cmd, id color) {
    auto& v = V(self, cmd);
    if (detail::animating()) detail::recordChange(self, "backgroundColor", rgbaOf(v.backgroundColor_), rgbaOf(color));
    v.backgroundColor_ = color;
}

// ---- hierarchy ----------------------------------------------------------------------

id subviewsImp(id self, SEL cmd) { return NSArrayNew(V(self, cmd).subviews_); }
id superviewImp(id self, SEL cmd) { return V(self, cmd).superview_.lock(); }
id windowImp(id self, SEL) { return windowOf(self); }

void removeFromList(std::vector<id>& list, const id& view) {
    list.erase(std::remove(list.begin(), list.end(), view), list.end());
}

// Puts `sub` into self's subviews at `index` (clamped), moving it from its old
// superview, with the device's notifications.
void insertAt(const id& self, SEL cmd, const id& sub, long index) {
    auto& v = V(self, cmd);
    if (!sub || sub == self) return;
    auto* s = dynamic_cast<UIView*>(sub.get());
    if (!s) return;
    if (isAncestor(sub, self)) {
        NSLog("UIView: refused to add a view (%s) inside its own subtree", sub->isa->name().c_str());
        return;
    }
    id oldSuper = s->superview_.lock();
    auto clampIndex = [&](long i) {
        return static_cast<std::size_t>(std::clamp<long>(i, 0, static_cast<long>(v.subviews_.size())));
    };
    if (oldSuper == self) {
        // Re-adding reorders only.
        removeFromList(v.subviews_, sub);
        v.subviews_.insert(v.subviews_.begin() + static_cast<std::ptrdiff_t>(clampIndex(index)), sub);
        setNeedsLayout(self);
        return;
    }
    id oldWindow = windowOf(sub);
    id newWindow = windowOf(self);
    bool windowChanges = oldWindow != newWindow;
    if (windowChanges) sendToSubtree(sub, willMoveToWindow, newWindow);
    willMoveToSuperview(sub, self);
    if (oldSuper) {
        auto& o = V(oldSuper, cmd);
        willRemoveSubview(oldSuper, sub);
        removeFromList(o.subviews_, sub);
        setNeedsLayout(oldSuper);
    }
    v.subviews_.insert(v.subviews_.begin() + static_cast<std::ptrdiff_t>(clampIndex(index)), sub);
    s->superview_ = self;
    didMoveToSuperview(sub);
    didAddSubview(self, sub);
    if (windowChanges) sendToSubtree(sub, didMoveToWindow);
    setNeedsLayout(self);
    setNeedsLayout(sub);
}

void addSubviewImp(id self, SEL cmd, id sub) {
    insertAt(self, cmd, sub, static_cast<long>(V(self, cmd).subviews_.size()));
}
void insertSubviewAtIndexImp(id self, SEL cmd, id sub, long index) { insertAt(self, cmd, sub, index); }

void removeFromSuperviewImp(id self, SEL cmd) {
    auto& v = V(self, cmd);
    id oldSuper = v.superview_.lock();
    if (!oldSuper) return;
    id oldWindow = windowOf(self);
    if (oldWindow) sendToSubtree(self, willMoveToWindow, id{});
    willMoveToSuperview(self, id{});
    willRemoveSubview(oldSuper, self);
    id keep = self;  // the superview held the last strong reference, perhaps
    removeFromList(V(oldSuper, cmd).subviews_, self);
    v.superview_.reset();
    didMoveToSuperview(self);
    if (oldWindow) sendToSubtree(self, didMoveToWindow);
    setNeedsLayout(oldSuper);
}

void bringSubviewToFrontImp(id self, SEL cmd, id sub) {
    auto& v = V(self, cmd);
    auto it = std::find(v.subviews_.begin(), v.subviews_.end(), sub);
    if (it == v.subviews_.end()) return;
    std::rotate(it, it + 1, v.subviews_.end());
}
void sendSubviewToBackImp(id self, SEL cmd, id sub) {
    auto& v = V(self, cmd);
    auto it = std::find(v.subviews_.begin(), v.subviews_.end(), sub);
    if (it == v.subviews_.end()) return;
    std::rotate(v.subviews_.begin(), it, it + 1);
}
bool isDescendantOfViewImp(id self, SEL, id other) { return other && isAncestor(other, self); }

void noop(id, SEL) {}
void noopWithObject(id, SEL, id) {}

// ---- layout -------------------------------------------------------------------------

void setNeedsLayoutImp(id self, SEL cmd) { V(self, cmd).needsLayout_ = true; }

void layoutTree(const id& view) {
    auto* v = dynamic_cast<UIView*>(view.get());
    if (!v) return;
    if (v->needsLayout_) {
        v->needsLayout_ = false;
        id controller = v->viewController_.lock();
        if (controller) viewWillLayoutSubviews(controller);
        layoutSubviews(view);
        if (controller) viewDidLayoutSubviews(controller);
    }
    std::vector<id> children = v->subviews_;
    for (const id& c : children) layoutTree(c);
}
void layoutIfNeededImp(id self, SEL) { layoutTree(self); }

// ---- gestures -------------------------------------------------------------------------

void addGestureRecognizerImp(id self, SEL cmd, id g) {
    auto& v = V(self, cmd);
    auto* r = dynamic_cast<UIGestureRecognizer*>(g.get());
    if (!r) return;
    if (id old = r->view_.lock()) {
        if (old == self) return;
        removeFromList(V(old, cmd).gestureRecognizers_, g);
    }
    v.gestureRecognizers_.push_back(g);
    r->view_ = self;
}
void removeGestureRecognizerImp(id self, SEL cmd, id g) {
    auto& v = V(self, cmd);
    auto it = std::find(v.gestureRecognizers_.begin(), v.gestureRecognizers_.end(), g);
    if (it == v.gestureRecognizers_.end()) return;
    v.gestureRecognizers_.erase(it);
    if (auto* r = dynamic_cast<UIGestureRecognizer*>(g.get())) r->view_.reset();
}
id gestureRecognizersImp(id self, SEL cmd) { return NSArrayNew(V(self, cmd).gestureRecognizers_); }

// ---- hit-testing and coordinates ------------------------------------------------------

bool pointInsideImp(id self, SEL cmd, CGPoint p, id) {
    auto& v = V(self, cmd);
    return CGRectContainsPoint({v.boundsOrigin_, v.frame_.size}, p);
}

// From the superview's coordinates into the view's own (bounds) coordinates.
CGPoint intoView(const UIView& v, CGPoint p) {
    return {p.x - v.frame_.origin.x + v.boundsOrigin_.x, p.y - v.frame_.origin.y + v.boundsOrigin_.y};
}

id hitTestImp(id self, SEL cmd, CGPoint p, id event) {
    auto& v = V(self, cmd);
    if (v.hidden_ || !v.userInteractionEnabled_ || v.alpha_ < 0.01) return {};
    if (!pointInside_withEvent(self, p, event)) return {};
    std::vector<id> children = v.subviews_;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        auto* c = dynamic_cast<UIView*>(it->get());
        if (!c) continue;
        if (id hit = hitTest_withEvent(*it, intoView(*c, p), event)) return hit;
    }
    return self;
}

// A point of the view's coordinates in its root's superview-free coordinates.
CGPoint toRoot(const id& view, CGPoint p) {
    for (id cur = view; cur;) {
        auto* v = dynamic_cast<UIView*>(cur.get());
        if (!v) break;
        p = {p.x - v->boundsOrigin_.x + v->frame_.origin.x, p.y - v->boundsOrigin_.y + v->frame_.origin.y};
        cur = v->superview_.lock();
    }
    return p;
}
CGPoint fromRoot(const id& view, CGPoint p) {
    std::vector<UIView*> chain;
    for (id cur = view; cur;) {
        auto* v = dynamic_cast<UIView*>(cur.get());
        if (!v) break;
        chain.push_back(v);
        cur = v->superview_.lock();
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = intoView(**it, p);
    return p;
}

CGPoint convertPointToViewImp(id self, SEL, CGPoint p, id to) {
    CGPoint root = toRoot(self, p);
    return to ? fromRoot(to, root) : root;
}
CGPoint convertPointFromViewImp(id self, SEL, CGPoint p, id from) {
    CGPoint root = from ? toRoot(from, p) : p;
    return fromRoot(self, root);
}
CGRect convertRectToViewImp(id self, SEL, CGRect r, id to) {
    return {convertPointToViewImp(self, nullptr, r.origin, to), r.size};
}
CGRect convertRectFromViewImp(id self, SEL, CGRect r, id from) {
    return {convertPointFromViewImp(self, nullptr, r.origin, from), r.size};
}

}  // namespace

std::vector<id> subviews(const id& v) {
    auto array = rt::cast<NSArray>(UIView_subviews(v));
    return array ? array->items : std::vector<id>{};
}

namespace detail {
void registerViewClass() {
    rt::Class* cls = registerClass<UIView>("UIView", rt::NSObjectClass());
    rt::defineMethod(cls, initWithFrame, &initWithFrameImp);
    rt::defineMethod(cls, rt::init, &initImp);
    rt::defineMethod(cls, frame, &frameImp);
    rt::defineMethod(cls, bounds, &boundsImp);
    rt::defineMethod(cls, center, &centerImp);
    rt::defineMethod(cls, setFrame, &setFrameImp);
    rt::defineMethod(cls, setBounds, &setBoundsImp);
    rt::defineMethod(cls, setCenter, &setCenterImp);
    rt::defineMethod(cls, alpha, &alphaImp);
    rt::defineMethod(cls, setAlpha, &setAlphaImp);
    rt::defineMethod(cls, isHidden, &isHiddenImp);
    rt::defineMethod(cls, setHidden, &setHiddenImp);
    rt::defineMethod(cls, isUserInteractionEnabled, &isUserInteractionEnabledImp);
    rt::defineMethod(cls, setUserInteractionEnabled, &setUserInteractionEnabledImp);
    rt::defineMethod(cls, clipsToBounds, &clipsToBoundsImp);
    rt::defineMethod(cls, setClipsToBounds, &setClipsToBoundsImp);
    rt::defineMethod(cls, tag, &tagImp);
    rt::defineMethod(cls, setTag, &setTagImp);
    rt::defineMethod(cls, backgroundColor, &backgroundColorImp);
    rt::defineMethod(cls, setBackgroundColor, &setBackgroundColorImp);
    rt::defineMethod(cls, UIView_subviews, &subviewsImp);
    rt::defineMethod(cls, superview, &superviewImp);
    rt::defineMethod(cls, window, &windowImp);
    rt::defineMethod(cls, addSubview, &addSubviewImp);
    rt::defineMethod(cls, insertSubview_atIndex, &insertSubviewAtIndexImp);
    rt::defineMethod(cls, removeFromSuperview, &removeFromSuperviewImp);
    rt::defineMethod(cls, bringSubviewToFront, &bringSubviewToFrontImp);
    rt::defineMethod(cls, sendSubviewToBack, &sendSubviewToBackImp);
    rt::defineMethod(cls, isDescendantOfView, &isDescendantOfViewImp);
    rt::defineMethod(cls, willMoveToSuperview, &noopWithObject);
    rt::defineMethod(cls, didMoveToSuperview, &noop);
    rt::defineMethod(cls, willMoveToWindow, &noopWithObject);
    rt::defineMethod(cls, didMoveToWindow, &noop);
    rt::defineMethod(cls, didAddSubview, &noopWithObject);
    rt::defineMethod(cls, willRemoveSubview, &noopWithObject);
    rt::defineMethod(cls, setNeedsLayout, &setNeedsLayoutImp);
    rt::defineMethod(cls, layoutIfNeeded, &layoutIfNeededImp);
    rt::defineMethod(cls, layoutSubviews, &noop);
    rt::defineMethod(cls, addGestureRecognizer, &addGestureRecognizerImp);
    rt::defineMethod(cls, removeGestureRecognizer, &removeGestureRecognizerImp);
    rt::defineMethod(cls, gestureRecognizers, &gestureRecognizersImp);
    rt::defineMethod(cls, pointInside_withEvent, &pointInsideImp);
    rt::defineMethod(cls, hitTest_withEvent, &hitTestImp);
    rt::defineMethod(cls, convertPoint_toView, &convertPointToViewImp);
    rt::defineMethod(cls, convertPoint_fromView, &convertPointFromViewImp);
    rt::defineMethod(cls, convertRect_toView, &convertRectToViewImp);
    rt::defineMethod(cls, convertRect_fromView, &convertRectFromViewImp);
}

void layoutViewTree(const id& root) { layoutTree(root); }
}  // namespace detail

}  // namespace ui
