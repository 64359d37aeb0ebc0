// Deferred layout and a hook on layoutSubviews.
#include <gtest/gtest.h>

#include <algorithm>

#include "substrate/Substrate.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"

namespace {

using namespace ui;

std::vector<std::string> gLayouts;
void recordLayout(id self, SEL) { gLayouts.push_back(self->isa->name()); }

rt::Class* layoutClass(const char* name) {
    if (rt::Class* c = rt::objc_getClass(name)) return c;
    rt::Class* c = rt::objc_registerClass(name, rt::objc_getClass("UIView"));
    rt::defineMethod(c, "layoutSubviews", &recordLayout);
    return c;
}

TEST(Layout, NeverRunsInsideSetFrameOrAddSubview) {
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id v = makeView(layoutClass("TestLayoutA"), CGRectMake(0, 0, 10, 10));
    layoutPass();
    gLayouts.clear();

    addSubview(window, v);
    setFrame(v, CGRectMake(0, 0, 20, 20));
    EXPECT_TRUE(gLayouts.empty());

    layoutPass();
    EXPECT_EQ(gLayouts, std::vector<std::string>{"TestLayoutA"});  // once, however often it was marked
    layoutPass();
    EXPECT_EQ(gLayouts.size(), 1u);
}

TEST(Layout, APureMoveDoesNotLayOutAndASizeChangeDoes) {
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id v = makeView(layoutClass("TestLayoutA"), CGRectMake(0, 0, 10, 10));
    addSubview(window, v);
    layoutPass();
    gLayouts.clear();

    setFrame(v, CGRectMake(5, 5, 10, 10));
    setCenter(v, CGPointMake(50, 50));
    layoutPass();
    EXPECT_TRUE(gLayouts.empty());

    setFrame(v, CGRectMake(5, 5, 11, 10));
    layoutPass();
    EXPECT_EQ(gLayouts.size(), 1u);
}

TEST(Layout, ViewsOutsideAWindowWaitForLayoutIfNeeded) {
    id parent = makeView(layoutClass("TestLayoutA"), CGRectMake(0, 0, 10, 10));
    id child = makeView(layoutClass("TestLayoutB"), CGRectMake(0, 0, 5, 5));
    addSubview(parent, child);
    gLayouts.clear();
    layoutPass();
    EXPECT_TRUE(gLayouts.empty());
    layoutIfNeeded(parent);
    EXPECT_EQ(gLayouts, (std::vector<std::string>{"TestLayoutA", "TestLayoutB"}));  // parents first
}

TEST(Layout, RemovingASubviewLaysOutTheOldSuperview) {
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id parent = makeView(layoutClass("TestLayoutA"), CGRectMake(0, 0, 10, 10));
    id child = makeView();
    addSubview(window, parent);
    addSubview(parent, child);
    layoutPass();
    gLayouts.clear();
    removeFromSuperview(child);
    layoutPass();
    EXPECT_EQ(gLayouts, std::vector<std::string>{"TestLayoutA"});
}

TEST(Layout, TheRunLoopPassLaysOutOnceInstalled) {
    ns::ProcessScope fresh;
    ns::useVirtualClock(1'000'000);
    installLayoutPass();
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id v = makeView(layoutClass("TestLayoutA"), CGRectMake(0, 0, 10, 10));
    gLayouts.clear();
    addSubview(window, v);
    EXPECT_TRUE(gLayouts.empty());
    ns::RunLoop::main().runOnce();
    EXPECT_EQ(gLayouts.size(), 1u);
}

// A hook on UIView's layoutSubviews is seen by a subclass that does not
// override it, and the stock implementation stays callable.
void (*gStockLayout)(id, SEL) = nullptr;
std::vector<id> gHooked;
void hookedLayout(id self, SEL sel) {
    gHooked.push_back(self);
    gStockLayout(self, sel);
}

TEST(Layout, AHookOnLayoutSubviewsIsSeenBySubclasses) {
    rt::Class* plainSub = rt::objc_getClass("TestPlainSubview");
    if (!plainSub) plainSub = rt::objc_registerClass("TestPlainSubview", rt::objc_getClass("UIView"));
    MSHookMessageEx(rt::objc_getClass("UIView"), rt::sel_registerName("layoutSubviews"), &hookedLayout, &gStockLayout);
    ASSERT_NE(gStockLayout, nullptr);

    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id v = makeView(plainSub, CGRectMake(0, 0, 10, 10));
    addSubview(window, v);
    gHooked.clear();
    layoutPass();
    EXPECT_NE(std::find(gHooked.begin(), gHooked.end(), v), gHooked.end());
    EXPECT_NE(std::find(gHooked.begin(), gHooked.end(), window), gHooked.end());
    gHooked.clear();
}

}  // namespace
