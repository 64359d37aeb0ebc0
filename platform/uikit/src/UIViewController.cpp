#include "uikit/UIViewController.h"

#include <algorithm>

#include "Internal.h"
#include "uikit/UIScreen.h"

namespace ui {

using detail::state;

namespace {

UIViewController& C(const id& self, const char* sel) { return state<UIViewController>(self, sel); }

id viewImp(id self, SEL) {
    auto& c = C(self, "view");
    // A loadView that asks for the view itself gets what is there so far,
    // not an endless recursion.
    if (c.view_ || c.loading_) return c.view_;
    c.loading_ = true;
    struct Done {
        UIViewController& c;
        ~Done() { c.loading_ = false; }
    } done{c};
    rt::send<void()>(self, "loadView");
    if (!c.view_) {
        NSLog("UIViewController: -[%s loadView] made no view", self->isa->name().c_str());
        return {};
    }
    rt::send<void()>(self, "viewDidLoad");
    return c.view_;
}

void loadViewImp(id self, SEL) {
    id v = makeView(screenBounds());
    rt::send<void(id)>(self, "setView:", v);
}

void setViewImp(id self, SEL, id v) {
    auto& c = C(self, "setView:");
    if (c.view_ == v) return;
    if (auto* old = dynamic_cast<UIView*>(c.view_.get())) old->viewController_.reset();
    c.view_ = v;
    if (auto* nv = dynamic_cast<UIView*>(v.get())) nv->viewController_ = self;
}

bool isViewLoadedImp(id self, SEL) { return C(self, "isViewLoaded").view_ != nullptr; }
id viewIfLoadedImp(id self, SEL) { return C(self, "viewIfLoaded").view_; }

void noop(id, SEL) {}
void noopBool(id, SEL, bool) {}
void noopObject(id, SEL, id) {}

void beginAppearanceImp(id self, SEL, bool appearing, bool animated) {
    auto& c = C(self, "beginAppearanceTransition:animated:");
    c.appearing_ = appearing;
    rt::send<void(bool)>(self, appearing ? "viewWillAppear:" : "viewWillDisappear:", animated);
    std::vector<id> children = c.children_;
    for (const id& child : children)
        rt::send<void(bool, bool)>(child, "beginAppearanceTransition:animated:", appearing, animated);
}

void endAppearanceImp(id self, SEL) {
    auto& c = C(self, "endAppearanceTransition");
    rt::send<void(bool)>(self, c.appearing_ ? "viewDidAppear:" : "viewDidDisappear:", false);
    std::vector<id> children = c.children_;
    for (const id& child : children) rt::send<void()>(child, "endAppearanceTransition");
}

void addChildImp(id self, SEL, id child) {
    auto& c = C(self, "addChildViewController:");
    auto* ch = dynamic_cast<UIViewController*>(child.get());
    if (!ch || child == self) return;
    if (ch->parent_.lock() == self) return;
    if (ch->parent_.lock()) rt::send<void()>(child, "removeFromParentViewController");
    rt::send<void(id)>(child, "willMoveToParentViewController:", self);
    c.children_.push_back(child);
    ch->parent_ = self;
}

void removeFromParentImp(id self, SEL) {
    auto& c = C(self, "removeFromParentViewController");
    id parent = c.parent_.lock();
    if (!parent) return;
    id keep = self;
    auto& list = C(parent, "removeFromParentViewController").children_;
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    c.parent_.reset();
    rt::send<void(id)>(self, "didMoveToParentViewController:", id{});
}

id childrenImp(id self, SEL) {
    auto array = std::make_shared<NSArray>(C(self, "childViewControllers").children_);
    array->isa = rt::objc_getClass("NSArray");
    return array;
}
id parentImp(id self, SEL) { return C(self, "parentViewController").parent_.lock(); }

}  // namespace

namespace detail {
void registerViewControllerClass() {
    rt::Class* cls = registerClass<UIViewController>("UIViewController", rt::NSObjectClass());
    rt::defineMethod(cls, "view", &viewImp);
    rt::defineMethod(cls, "loadView", &loadViewImp);
    rt::defineMethod(cls, "setView:", &setViewImp);
    rt::defineMethod(cls, "isViewLoaded", &isViewLoadedImp);
    rt::defineMethod(cls, "viewIfLoaded", &viewIfLoadedImp);
    rt::defineMethod(cls, "viewDidLoad", &noop);
    rt::defineMethod(cls, "viewWillAppear:", &noopBool);
    rt::defineMethod(cls, "viewDidAppear:", &noopBool);
    rt::defineMethod(cls, "viewWillDisappear:", &noopBool);
    rt::defineMethod(cls, "viewDidDisappear:", &noopBool);
    rt::defineMethod(cls, "viewWillLayoutSubviews", &noop);
    rt::defineMethod(cls, "viewDidLayoutSubviews", &noop);
    rt::defineMethod(cls, "beginAppearanceTransition:animated:", &beginAppearanceImp);
    rt::defineMethod(cls, "endAppearanceTransition", &endAppearanceImp);
    rt::defineMethod(cls, "addChildViewController:", &addChildImp);
    rt::defineMethod(cls, "removeFromParentViewController", &removeFromParentImp);
    rt::defineMethod(cls, "childViewControllers", &childrenImp);
    rt::defineMethod(cls, "parentViewController", &parentImp);
    rt::defineMethod(cls, "willMoveToParentViewController:", &noopObject);
    rt::defineMethod(cls, "didMoveToParentViewController:", &noopObject);
}
}  // namespace detail

}  // namespace ui
