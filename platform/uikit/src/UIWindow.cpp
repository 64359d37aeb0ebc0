#include "uikit/UIWindow.h"

#include "Internal.h"
#include "foundation/Process.h"
#include "uikit/UIViewController.h"

namespace ui {

namespace {

// The windows of the process and its key window, owned by the process.
struct Windows {
    std::vector<std::weak_ptr<rt::Object>> all;
    id key;
};
std::vector<std::weak_ptr<rt::Object>>& registry() { return ns::Process::current().part<Windows>().all; }
id& keyWindowRef() { return ns::Process::current().part<Windows>().key; }

id initWithFrameImp(id self, SEL, CGRect frame) {
    auto& r = registry();
    std::erase_if(r, [](const auto& w) { return w.expired(); });
    r.push_back(self);
    return rt::sendSuper(rt::objc_getClass("UIWindow"), self, initWithFrame, frame);
}

void showRoot(const id& self, bool animated) {
    id vc = rt::state<UIWindow>(self, makeKeyAndVisible.sel()).rootViewController_;
    if (!vc) return;
    beginAppearanceTransition_animated(vc, true, animated);
    endAppearanceTransition(vc);
}

void makeKeyAndVisibleImp(id self, SEL cmd) {
    auto& w = rt::state<UIWindow>(self, cmd);
    setHidden(self, false);
    keyWindowRef() = self;
    if (!w.visible_) {
        w.visible_ = true;
        showRoot(self, false);
    }
}
void makeKeyWindowImp(id self, SEL) { keyWindowRef() = self; }
bool isKeyWindowImp(id self, SEL) { return keyWindowRef() == self; }
id rootViewControllerImp(id self, SEL cmd) { return rt::state<UIWindow>(self, cmd).rootViewController_; }

void setRootViewControllerImp(id self, SEL cmd, id vc) {
    auto& w = rt::state<UIWindow>(self, cmd);
    if (w.rootViewController_ == vc) return;
    if (id old = w.rootViewController_) {
        if (id oldView = viewIfLoaded(old); oldView && superview(oldView) == self) removeFromSuperview(oldView);
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
        if (rt::state<UIWindow>(w, "windows").visible_) result.push_back(w);
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
    rt::defineMethod(cls, initWithFrame, &initWithFrameImp);
    rt::defineMethod(cls, makeKeyAndVisible, &makeKeyAndVisibleImp);
    rt::defineMethod(cls, makeKeyWindow, &makeKeyWindowImp);
    rt::defineMethod(cls, isKeyWindow, &isKeyWindowImp);
    rt::defineMethod(cls, rootViewController, &rootViewControllerImp);
    rt::defineMethod(cls, setRootViewController, &setRootViewControllerImp);
    rt::defineMethod(cls, window, &windowImp);
}
}  // namespace detail

}  // namespace ui
