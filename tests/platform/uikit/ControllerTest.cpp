// View controllers: lazy loading, layout and appearance messages, children.
#include <gtest/gtest.h>

#include "uikit/UIKit.h"

namespace {

using namespace ui;

std::vector<std::string> gCalls;
void record(id, SEL sel) { gCalls.push_back(sel->name); }
void recordBool(id, SEL sel, bool) { gCalls.push_back(sel->name); }
void loadOwnView(id self, SEL sel) {
    gCalls.push_back(sel->name);
    EXPECT_FALSE(rt::send<id()>(self, "view"));  // asking for the view while loading it does not recurse
    rt::send<void(id)>(self, "setView:", makeView(CGRectMake(0, 0, 1, 1)));
}

rt::Class* controllerClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_registerClass("TestController", rt::objc_getClass("UIViewController"));
        rt::defineMethod(c, "loadView", &loadOwnView);
        rt::defineMethod(c, "viewDidLoad", &record);
        rt::defineMethod(c, "viewWillAppear:", &recordBool);
        rt::defineMethod(c, "viewDidAppear:", &recordBool);
        rt::defineMethod(c, "viewDidLayoutSubviews", &record);
        return c;
    }();
    return cls;
}

TEST(Controller, TheViewLoadsOnceOnFirstUse) {
    gCalls.clear();
    id vc = rt::allocInit(controllerClass());
    EXPECT_FALSE(rt::send<bool()>(vc, "isViewLoaded"));
    id v = view(vc);
    EXPECT_EQ(view(vc), v);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"loadView", "viewDidLoad"}));
}

TEST(Controller, TheDefaultViewTakesTheScreensBounds) {
    configureDevice({"iPhone", "11.1.2", 414, 736, 3, 20});
    id vc = rt::allocInit(rt::objc_getClass("UIViewController"));
    EXPECT_EQ(frame(view(vc)), CGRectMake(0, 0, 414, 736));
    configureDevice({});
}

TEST(Controller, TheRootViewsLayoutTellsItsController) {
    gCalls.clear();
    id vc = rt::allocInit(controllerClass());
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    addSubview(window, view(vc));
    gCalls.clear();
    layoutPass();
    EXPECT_EQ(gCalls, std::vector<std::string>{"viewDidLayoutSubviews"});
}

TEST(Controller, AppearanceReachesChildren) {
    gCalls.clear();
    id parent = rt::allocInit(rt::objc_getClass("UIViewController"));
    id child = rt::allocInit(controllerClass());
    addChildViewController(parent, child);
    EXPECT_EQ(rt::send<id()>(child, "parentViewController"), parent);
    beginAppearanceTransition_animated(parent, true, false);
    endAppearanceTransition(parent);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"viewWillAppear:", "viewDidAppear:"}));

    id other = rt::allocInit(rt::objc_getClass("UIViewController"));
    addChildViewController(other, child);  // moves, as a view does
    EXPECT_EQ(rt::send<id()>(child, "parentViewController"), other);
    auto kids = rt::cast<NSArray>(rt::send<id()>(parent, "childViewControllers"));
    ASSERT_TRUE(kids);
    EXPECT_TRUE(kids->items.empty());
}

TEST(Controller, AWindowShowsItsRootController) {
    gCalls.clear();
    id vc = rt::allocInit(controllerClass());
    id window = makeWindow(CGRectMake(0, 0, 320, 480));
    setRootViewController(window, vc);
    EXPECT_EQ(frame(view(vc)), CGRectMake(0, 0, 320, 480));
    makeKeyAndVisible(window);
    EXPECT_EQ(keyWindow(), window);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"loadView", "viewDidLoad", "viewWillAppear:", "viewDidAppear:"}));
}

}  // namespace
