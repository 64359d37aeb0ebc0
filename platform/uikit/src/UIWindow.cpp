#include "uikit/UIWindow.h"

#include "Internal.h"
#include "uikit/UIViewController.h"

namespace ui {

using detail::state;

namespace {

std::vector<std::weak_ptr<rt::Object>>& registry() {
    static auto* r = new std::vector<std::weak_ptr<rt::Object>>;
    return *r;
}
id& keyWindowRef() {
    static auto* w = new id;
    return *w;
}

id initWithFrame(id self, SEL, CGRect frame) {
    auto& r = registry();
    std::erase_if(r, [](const auto& w) { return w.expired(); });
    r.push_back(self);
    return detail::sendSuper<id(CGRect)>(rt::objc_getClass("UIView"), self, "initWithFrame:", frame);
}

void showRoot(const id& self, bool animated) {
    id vc = state<UIWindow>(self, "makeKeyAndVisible").rootViewController_;
    if (!vc) return;
    beginAppearance(vc, true, animated);
    endAppearance(vc);
}

void makeKeyAndVisibleImp(id self, SEL) {
    auto& w = state<UIWindow>(self, "makeKeyAndVisible");
    rt::send<void(bool)>(self, "setHidden:", false);
    keyWindowRef() = self;
    if (!w.visible_) {
        w.visible_ = true;
        showRoot(self, false);
    }
}
void makeKeyWindowImp(id self, SEL) { keyWindowRef() = self; }
bool isKeyWindowImp(id self, SEL) { return keyWindowRef() == self; }
id rootViewControllerImp(id self, SEL) { return state<UIWindow>(self, "rootViewController").rootViewController_; }

void setRootViewControllerImp(id self, SEL, id vc) {
    auto& w = state<UIWindow>(self, "setRootViewController:");
    if (w.rootViewController_ == vc) return;
    if (id old = w.rootViewController_) {
        if (id oldView = rt::send<id()>(old, "viewIfLoaded"); oldView && superview(oldView) == self)
            removeFromSuperview(oldView);
    }
    w.rootViewController_ = vc;
    if (!vc) return;
    id v = view(vc);
    setFrame(v, bounds(self));
    addSubview(self, v);
    if (w.visible_) showRoot(self, false);
}

id windowImp(id self, SEL) { return self; }

}  // namespace

id keyWindow() { return keyWindowRef(); }

std::vector<id> windows() {
    std::vector<id> result;
    for (const id& w : detail::allWindows())
        if (state<UIWindow>(w, "windows").visible_) result.push_back(w);
    return result;
}

namespace detail {
std::vector<id> allWindows() {
    std::vector<id> result;
    for (const auto& w : registry())
        if (id s = w.lock()) result.push_back(s);
    return result;
}

void registerWindowClass() {
    rt::Class* cls = registerClass<UIWindow>("UIWindow", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, "initWithFrame:", &initWithFrame);
    rt::defineMethod(cls, "makeKeyAndVisible", &makeKeyAndVisibleImp);
    rt::defineMethod(cls, "makeKeyWindow", &makeKeyWindowImp);
    rt::defineMethod(cls, "isKeyWindow", &isKeyWindowImp);
    rt::defineMethod(cls, "rootViewController", &rootViewControllerImp);
    rt::defineMethod(cls, "setRootViewController:", &setRootViewControllerImp);
    rt::defineMethod(cls, "window", &windowImp);
}
}  // namespace detail

}  // namespace ui
