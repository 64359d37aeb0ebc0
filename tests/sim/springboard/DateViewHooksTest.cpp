// The stock date view's hooks: the panel follows the view's offset from its
// default place on version 11 and above, and the view hides itself only once
// it is in a superview. The built tweak in the host's classes, a process per case.
#include "TweakInHost.h"

#include "LockScreen.h"
#include "OVClockViewController.h"
#include "host/DashBoard.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;

// Moves the stock date view `dy` points from its default place and answers
// where the panel's host view went.
CGRect panelAfterMovingTheStockViewBy(double dy) {
    id stock = ui::view(springboard::lockScreen().dateController);
    CGRect place = host::_dateTimeFrame(rt::allocInit("SBDashBoardModalView"));
    EXPECT_GT(place.origin.y, 0) << "a default place at the top would hide a wrong offset";
    place.origin.y += dy;
    ui::setFrame(stock, place);
    return ui::frame(orvelle::dateView(panel()));
}

void startLockScreen(const char* version) {
    startHost({.version = version, .width = 320, .height = 568});
    springboard::startLockScreen();
    ui::layoutPass();
}

TEST(DateViewHooks, OnVersion11ThePanelFollowsTheStockViewsOffsetAcrossTheWholeScreen) {
    inChild([] {
        startLockScreen("11.1.2");
        EXPECT_EQ(panelAfterMovingTheStockViewBy(40), CGRectMake(0, 40, 320, 568));
        EXPECT_EQ(panelAfterMovingTheStockViewBy(-25), CGRectMake(0, -25, 320, 568));
        EXPECT_EQ(panelAfterMovingTheStockViewBy(0), CGRectMake(0, 0, 320, 568));
    });
}

TEST(DateViewHooks, OnVersion10ThePanelStaysWhereItWasBuilt) {
    inChild([] {
        startLockScreen("10.3.3");
        EXPECT_EQ(panelAfterMovingTheStockViewBy(40), CGRectMake(0, 0, 320, 568));
    });
}

TEST(DateViewHooks, TheStockViewHidesOnlyOnceItIsInASuperview) {
    inChild([] {
        startHost({});
        id stock = ui::makeView(rt::objc_getClass("SBFLockScreenDateView"), CGRectMake(0, 40, 375, 120));
        ui::layoutSubviews(stock);
        EXPECT_FALSE(ui::isHidden(stock));
        EXPECT_EQ(ui::alpha(stock), 1);

        id page = ui::makeView(CGRectMake(0, 0, 375, 667));
        ui::addSubview(page, stock);
        ui::layoutSubviews(stock);
        EXPECT_TRUE(ui::isHidden(stock));
        EXPECT_EQ(ui::alpha(stock), 0);
    });
}

}  // namespace
