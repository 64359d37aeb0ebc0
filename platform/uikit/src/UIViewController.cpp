#include "uikit/UIViewController.h"

#include <algorithm>

#include "Internal.h"
#include "uikit/UIScreen.h"

namespace ui {

namespace {

UIViewController& C(const id& self, SEL cmd) { return rt::state<UIViewController>(self, cmd); }

id viewImp(id self, SEL cmd) {
    auto& c = C(self, cmd);
    // A loadView that asks for the view itself gets what is there so far,
    // not an endless recursion.
    if (c.view_ || c.loading_) return c.view_;
    c.loading_ = true;
    struct Done {
        UIViewController& c;
        ~Done() { c.loading_ = false; }
    } done{c};
    loadView(self);
    if (!c.view_) {
        NSLog("UIViewController: -[%s loadView] made no view", self->isa->name().c_str());
        return {};
    }
    viewDidLoad(self);
    return c.view_;
}

void loadViewImp(id self, SEL) { setView(self, makeView(screenBounds())); }

void setViewImp(id self, SEL cmd, id v) {
    auto& c = C(self, cmd);
    if (c.view_ == v) return;
    if (auto* old = dynamic_cast<UIView*>(c.view_.get())) old->viewController_.reset();
    c.view_ = v;
    if (auto* nv = dynamic_cast<UIView*>(v.get())) nv->viewController_ = self;
}

bool isViewLoadedImp(id self, SEL cmd) { return C(self, cmd).view_ != nullptr; }
id viewIfLoadedImp(id self, SEL cmd) { return C(self, cmd).view_; }

void noop(id, SEL) {}
void noopBool(id, SEL, bool) {}
void noopObject(id, SEL, id) {}

void beginAppearanceImp(id self, SEL cmd, bool appearing, bool animated) {
    auto& c = C(self, cmd);
    c.appearing_ = appearing;
    (appearing ? viewWillAppear : viewWillDisappear)(self, animated);
    std::vector<id> children = c.children_;
    for (const id& child : children) beginAppearanceTransition_animated(child, appearing, animated);
}

void endAppearanceImp(id self, SEL cmd) {
    auto& c = C(self, cmd);
    (c.appearing_ ? viewDidAppear : viewDidDisappear)(self, false);
    std::vector<id> children = c.children_;
    for (const id& child : children) endAppearanceTransition(child);
}

void addChildImp(id self, SEL cmd, id child) {
    auto& c = C(self, cmd);
    auto* ch = dynamic_cast<UIViewController*>(child.get());
    if (!ch || child == self) return;
    if (ch->parent_.lock() == self) return;
    if (ch->parent_.lock()) removeFromParentViewController(child);
    willMoveToParentViewController(child, self);
    c.children_.push_back(child);
    ch->parent_ = self;
}

void removeFromParentImp(id self, SEL cmd) {
    auto& c = C(self, cmd);
    id parent = c.parent_.lock();
    if (!parent) return;
    id keep = self;
    auto& list = C(parent, cmd).children_;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    c.parent_.reset();
    didMoveToParentViewController(self, id{});
}

id childrenImp(id self, SEL cmd) { return NSArrayNew(C(self, cmd).children_); }
id parentImp(id self, SEL cmd) { return C(self, cmd).parent_.lock(); }

}  // namespace

namespace detail {
void registerViewControllerClass() {
    rt::Class* cls = registerClass<UIViewController>("UIViewController", rt::NSObjectClass());
    rt::defineMethod(cls, view, &viewImp);
    rt::defineMethod(cls, loadView, &loadViewImp);
    rt::defineMethod(cls, setView, &setViewImp);
    rt::defineMethod(cls, isViewLoaded, &isViewLoadedImp);
    rt::defineMethod(cls, viewIfLoaded, &viewIfLoadedImp);
    rt::defineMethod(cls, viewDidLoad, &noop);
    rt::defineMethod(cls, viewWillAppear, &noopBool);
    rt::defineMethod(cls, viewDidAppear, &noopBool);
    rt::defineMethod(cls, viewWillDisappear, &noopBool);
    rt::defineMethod(cls, viewDidDisappear, &noopBool);
    rt::defineMethod(cls, viewWillLayoutSubviews, &noop);
    rt::defineMethod(cls, viewDidLayoutSubviews, &noop);
    rt::defineMethod(cls, beginAppearanceTransition_animated, &beginAppearanceImp);
    rt::defineMethod(cls, endAppearanceTransition, &endAppearanceImp);
    rt::defineMethod(cls, addChildViewController, &addChildImp);
    rt::defineMethod(cls, removeFromParentViewController, &removeFromParentImp);
    rt::defineMethod(cls, childViewControllers, &childrenImp);
    rt::defineMethod(cls, parentViewController, &parentImp);
    rt::defineMethod(cls, willMoveToParentViewController, &noopObject);
    rt::defineMethod(cls, didMoveToParentViewController, &noopObject);
}
}  // namespace detail

}  // namespace ui
