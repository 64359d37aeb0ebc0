#include "LockScreen.h"

#include "foundation/Process.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "Geometry.h"
#include "LockScreenControls.h"
#include "LockScreenFigures.h"
#include "MediaControls.h"
#include "NotificationList.h"
#include "StockDateView.h"
#include "renderer/FontMap.h"
#include "foundation/RunLoop.h"
#include "host/Chrome.h"
#include "host/DashBoard.h"
#include "host/DateView.h"
#include "uikit/UIApplication.h"
#include "uikit/UIColor.h"
#include "uikit/UIDevice.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIScreen.h"
#include "uikit/UIViewController.h"
#include "uikit/UIWindow.h"

namespace springboard {

namespace {

constexpr int kMediaProcess = 4242;  // the pid the media app runs as

int majorVersion() {
    const std::string& v = ui::deviceProfile().systemVersion;
    int major = 0;
    std::from_chars(v.data(), v.data() + v.size(), major);
    return major;
}

double screenWidth() { return ui::deviceProfile().screenWidth; }
double screenHeight() { return ui::deviceProfile().screenHeight; }

id pageView() { return ui::viewIfLoaded(lockScreen().page); }

void updateDateView() { host::_updateView(lockScreen().dateController); }

// The stock date view and the notifications' times change with the minute.
void minutePassed() {
    updateDateView();
    refreshNotificationList();
}

void startMinuteTick() {
    double wait = 60 - std::fmod(ns::now(), 60);
    lockScreen().minute = ns::Timer::after(wait > 0 ? wait : 60, "the lock screen's first minute", [] {
        minutePassed();
        lockScreen().minute = ns::Timer::every(60, "the lock screen's minute", [] { minutePassed(); });
    });
}

id listView(const id& page) { return ui::viewIfLoaded(host::combinedListViewController(page)); }

rt::Class* todayPageClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_getClass("SBDashBoardTodayPageView");
        return c ? c : rt::objc_registerClass("SBDashBoardTodayPageView", rt::objc_getClass("UIView"));
    }();
    return cls;
}

}  // namespace

void clockMoved() {
    updateDateView();
    reloadNotificationList();
}

LockScreen& lockScreen() {
    return ns::Process::current().part<LockScreen>();
}

void startLockScreen() {
    LockScreen& ls = lockScreen();
    ls.dateController = rt::allocInit("SBLockScreenDateViewController");
    ls.dashboard = rt::allocInit("SBDashBoardViewController");
    ls.page = rt::allocInit("SBDashBoardMainPageContentViewController");
    ui::addChildViewController(ls.dashboard, ls.page);
    id dashboardView = ui::view(ls.dashboard);
    ui::addSubview(dashboardView, ui::view(ls.page));
    ls.window = ui::makeWindow(ui::screenBounds());
    ui::setRootViewController(ls.window, ls.dashboard);
    ui::makeKeyAndVisible(ls.window);
    updateDateView();
    startMinuteTick();
}

void showSafeModeBanner(const std::string& culprits) {
    LockScreen& ls = lockScreen();
    std::string text = "Safe Mode: tweaks are not loaded";
    if (culprits != "-" && !culprits.empty()) text += " (SpringBoard crashed with " + culprits + ")";
    id banner = ui::makeLabel(CGRectMake(0, figures().statusBarHeight, screenWidth(), 44));
    ui::setText(banner, NSStr(text));
    ui::setNumberOfLines(banner, 2);
    ui::setTextAlignment(banner, NSTextAlignmentCenter);
    ui::setFont(banner, ui::boldSystemFontOfSize(13));
    ui::setTextColor(banner, ui::whiteColor());
    ui::setBackgroundColor(banner, ui::colorWithRed_green_blue_alpha(0.80, 0.12, 0.12, 0.92));
    ui::addSubview(ls.window, banner);
}

void fillMainPage(const id& page) {
    id view = ui::viewIfLoaded(page);
    if (!view) return;
    if (id dateView = ui::view(lockScreen().dateController)) ui::addSubview(view, dateView);
    id list = ui::view(host::combinedListViewController(page));
    ui::setFrame(list, hostListFrame());
    ui::addSubview(view, list);

    // The call to action's baseline stands where the device's does.
    const LockScreenFigures& f = figures();
    render::LineMetrics line = render::lineMetrics(f.callToActionFont, f.callToActionSize);
    double top = screenHeight() - f.screen.callToActionBaseline - line.baseline;
    id callToAction =
        ui::makeView(rt::objc_getClass("SBUICallToActionLabel"), CGRectMake(0, top, screenWidth(), line.height));
    lockScreen().callToAction = callToAction;
    ui::addSubview(view, callToAction);
    host::setText_forLanguage_animated(callToAction, NSStr(callToActionText()), NSStr("en"), false);
    addLockScreenControls(view);
}

void layOutMainPage(const id& page) {
    id view = ui::viewIfLoaded(page);
    if (!view) return;
    // The stock date view keeps its default place; add-ons follow its frame.
    id dateView = ui::viewIfLoaded(lockScreen().dateController);
    if (dateView && ui::superview(dateView) == view) ui::setFrame(dateView, defaultDateTimeFrame());

    id listController = host::combinedListViewController(page);
    id list = ui::viewIfLoaded(listController);
    if (!list) return;
    CGRect frame;
    if (majorVersion() >= 11) {
        id dashboard = ui::parentViewController(page);
        double top = host::listMinY(dashboard ? dashboard : lockScreen().dashboard);
        frame = CGRectMake(0, top, screenWidth(), screenHeight() - top);
    } else {
        frame = host::_suggestedListViewFrame(listController);
    }
    ui::setFrame(list, frame);
}

CGRect hostListFrame() {
    double top = mediaBottom().value_or(CGRectGetMaxY(defaultDateTimeFrame())) + kListGap;
    return CGRectMake(0, top, screenWidth(), screenHeight() - top);
}

std::optional<CGRect> notificationListFrame() {
    id page = lockScreen().page;
    id list = page ? listView(page) : id{};
    if (!list) return std::nullopt;
    return ui::frame(list);
}

void setMediaPlaying(bool playing) {
    LockScreen& ls = lockScreen();
    if (playing) {
        ui::setNowPlaying(kMediaProcess, true);
        if (ls.artwork) return;
        ls.artwork = showMediaControls();
        std::printf("SpringBoard: media playing (pid %d)\n", kMediaProcess);
    } else {
        ui::setNowPlaying(0, false);
        if (!ls.artwork) return;
        hideMediaControls();
        ls.artwork = {};
        std::printf("SpringBoard: media stopped\n");
    }
    // The list makes room for the media, or takes the room back.
    ui::setNeedsLayout(pageView());
    if (id list = listView(ls.page)) layoutNotificationList(list);
}

bool openTodayView() {
    LockScreen& ls = lockScreen();
    if (ls.todayView) return true;
    id policy = rt::allocInit(majorVersion() >= 11 ? "SBMainDisplayPolicyAggregator" : "SBPolicyAggregator");
    id explanation;
    if (!host::_allowsCapabilityLockScreenTodayViewWithExplanation(policy, &explanation)) {
        std::printf("SpringBoard: the today view is not allowed%s%s\n", explanation ? ": " : "",
                    explanation ? describe(explanation).c_str() : "");
        return false;
    }
    id dashboardView = ui::view(ls.dashboard);
    ls.todayView = ui::makeView(todayPageClass(), ui::bounds(dashboardView));
    ui::setBackgroundColor(ls.todayView, ui::colorWithWhite_alpha(0, 0.45));
    id title = ui::makeLabel(CGRectMake(16, figures().statusBarHeight + 20, screenWidth() - 32, 40));
    ui::setText(title, NSStr("Today"));
    ui::setFont(title, ui::fontWithName_size(NSStr("HelveticaNeue-Bold"), 30));
    ui::setTextColor(title, ui::whiteColor());
    ui::addSubview(ls.todayView, title);
    ui::addSubview(dashboardView, ls.todayView);
    std::printf("SpringBoard: today view opened\n");
    return true;
}

void closeTodayView() {
    LockScreen& ls = lockScreen();
    if (!ls.todayView) return;
    ui::removeFromSuperview(ls.todayView);
    ls.todayView = {};
}

}  // namespace springboard
