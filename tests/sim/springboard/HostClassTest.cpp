// The home screen's host classes: which exist on which system version, and
// that every stock method a tweak hooks takes the hook's signature. Each case
// registers the classes in a child process of its own, as each SpringBoard
// start does.
#include <gtest/gtest.h>

#include <cstdlib>

#include "HostClass.h"
#include "substrate/Substrate.h"
#include "uikit/UIKit.h"

namespace {

void startHost(const char* version) {
    ui::DeviceProfile device;
    device.systemVersion = version;
    device.screenWidth = 320;
    device.screenHeight = 568;
    ui::configureDevice(device);
    springboard::registerAllHostClasses(std::atoi(version));
}

bool responds(const char* className, const char* selector) {
    rt::Class* cls = rt::objc_getClass(className);
    return cls && cls->lookup(rt::sel_registerName(selector));
}

#define CHECK(condition)                                       \
    if (!(condition)) {                                        \
        std::fprintf(stderr, "failed: %s\n", #condition);      \
        std::exit(1);                                          \
    }

// Hooks a stock method with a replacement of the given signature, as a tweak
// does; answers whether a stock pointer came back.
template <class R, class... A>
bool hookable(const char* className, const char* selector) {
    static R (*stock)(rt::id, rt::SEL, A...) = nullptr;
    stock = nullptr;
    R (*replacement)(rt::id, rt::SEL, A...) = [](rt::id, rt::SEL, A...) -> R { return R(); };
    MSHookMessageEx(rt::objc_getClass(className), rt::sel_registerName(selector), replacement, &stock);
    return stock != nullptr;
}

TEST(HostClasses, Version11AsksForTheListStartAndHasTheMainDisplayPolicy) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            CHECK(responds("SBDashBoardViewController", "listMinY"));
            CHECK(!responds("SBDashBoardNotificationListViewController", "_suggestedListViewFrame"));
            CHECK(rt::objc_getClass("SBMainDisplayPolicyAggregator"));
            CHECK(rt::objc_getClass("SBMainDisplayPolicyAggregator")->superclass() ==
                  rt::objc_getClass("SBPolicyAggregator"));
            id dashboard = rt::allocInit("SBDashBoardViewController");
            CHECK(rt::send<double()>(dashboard, "listMinY") > 0);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostClasses, Version10AsksForTheListRectangleAndLacksTheMainDisplayPolicy) {
    EXPECT_EXIT(
        {
            startHost("10.3.3");
            CHECK(!responds("SBDashBoardViewController", "listMinY"));
            CHECK(responds("SBDashBoardNotificationListViewController", "_suggestedListViewFrame"));
            CHECK(!rt::objc_getClass("SBMainDisplayPolicyAggregator"));
            id list = rt::allocInit("SBDashBoardNotificationListViewController");
            CGRect frame = rt::send<CGRect()>(list, "_suggestedListViewFrame");
            CHECK(frame.size.width == 320 && CGRectGetMaxY(frame) == 568);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostClasses, EveryHookedStockMethodTakesTheTweaksSignature) {
    EXPECT_EXIT(
        {
            startHost("11.0");
            CHECK((hookable<unsigned long>("WATodayPadViewStyle", "format")));
            CHECK((hookable<void, unsigned long>("WATodayPadViewStyle", "setFormat:")));
            for (const char* s : {"setTemperature:", "setConditionsImage:", "setLocationName:", "setConditionsLine:"})
                CHECK((hookable<void, id>("WATodayPadView", s)));
            CHECK((hookable<void>("SBFLockScreenDateView", "layoutSubviews")));
            CHECK((hookable<void, CGRect>("SBFLockScreenDateView", "setFrame:")));
            CHECK((hookable<id>("SBLockScreenDateViewController", "init")));
            CHECK((hookable<void>("SBLockScreenDateViewController", "loadView")));
            CHECK((hookable<void>("SBLockScreenDateViewController", "_updateView")));
            for (const char* s : {"loadView", "viewDidLoad", "viewDidLayoutSubviews"})
                CHECK((hookable<void>("SBDashBoardMainPageContentViewController", s)));
            CHECK((hookable<void, bool>("SBDashBoardMainPageContentViewController", "viewWillAppear:")));
            CHECK((hookable<void>("SBDashBoardMediaArtworkView", "didMoveToWindow")));
            CHECK((hookable<void>("SBDashBoardMediaArtworkView", "removeFromSuperview")));
            CHECK((hookable<void, id, id, bool>("SBUICallToActionLabel", "setText:forLanguage:animated:")));
            CHECK((hookable<bool, id*>("SBPolicyAggregator", "_allowsCapabilityLockScreenTodayViewWithExplanation:")));
            CHECK((hookable<bool, id*>("SBMainDisplayPolicyAggregator",
                                       "_allowsCapabilityLockScreenTodayViewWithExplanation:")));
            CHECK((hookable<void, id>("SpringBoard", "applicationDidFinishLaunching:")));
            CHECK((hookable<double>("SBDashBoardViewController", "listMinY")));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostClasses, StockMethodsDoWhatTheTweakReliesOn) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            // The application object is the shared one.
            id app = rt::allocInit("SpringBoard");
            CHECK(ui::sharedApplication() == app);
            // The date-view controller offers the wallpaper's text colour.
            id controller = rt::allocInit("SBLockScreenDateViewController");
            id colour = rt::send<id()>(rt::send<id()>(controller, "legibilitySettings"), "primaryColor");
            CHECK(rt::isKindOfClass(colour, "UIColor"));
            CHECK(rt::isKindOfClass(ui::view(controller), "SBFLockScreenDateView"));
            // The modal view's default date-time place lies across the screen.
            CGRect dateTime = rt::send<CGRect()>(rt::allocInit("SBDashBoardModalView"), "_dateTimeFrame");
            CHECK(dateTime.size.width == 320 && dateTime.size.height > 0);
            // The today view is allowed by default and the explanation is left alone.
            id explanation;
            CHECK(rt::send<bool(id*)>(rt::allocInit("SBPolicyAggregator"),
                                      "_allowsCapabilityLockScreenTodayViewWithExplanation:", &explanation));
            CHECK(!explanation);
            // The page's notification list controller is made once.
            id page = rt::allocInit("SBDashBoardMainPageContentViewController");
            id list = rt::send<id()>(page, "combinedListViewController");
            CHECK(list && list == rt::send<id()>(page, "combinedListViewController"));
            // The weather widget keeps what it is given.
            id style = rt::allocInit("WATodayPadViewStyle");
            rt::send<void(unsigned long)>(style, "setFormat:", 2ul);
            CHECK(rt::send<unsigned long()>(style, "format") == 2);
            id pad = ui::makeView(rt::objc_getClass("WATodayPadView"), CGRectZero);
            rt::send<void(id)>(pad, "setTemperature:", NSStr("21°"));
            CHECK(str(rt::send<id()>(pad, "temperature")) == "21°");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostClasses, TheTouchPassThroughViewLetsTouchesThroughButNotItsSubviews) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            id passThrough = ui::makeView(rt::objc_getClass("SBFTouchPassThroughView"), CGRectMake(0, 0, 100, 100));
            id child = ui::makeView(CGRectMake(10, 10, 20, 20));
            ui::addSubview(passThrough, child);
            CHECK(!ui::hitTest(passThrough, CGPointMake(80, 80)));
            CHECK(ui::hitTest(passThrough, CGPointMake(15, 15)) == child);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
