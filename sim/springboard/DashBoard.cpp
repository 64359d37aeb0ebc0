// The lock screen's controllers: the dashboard, its main page, the
// notification list, the modal view that knows the default date-time place,
// and the view that lets touches through.
#include "Geometry.h"
#include "HostClass.h"
#include "LockScreen.h"
#include "NotificationList.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

class MainPageController : public UIViewController {
public:
    id combinedList;
};

rt::Class* cls(const char* name) { return rt::objc_getClass(name); }

// Version 11 and above: where the notification list begins.
double listMinY(id, SEL) { return CGRectGetMinY(hostListFrame()); }

// Below version 11: the list's whole rectangle.
CGRect suggestedListViewFrame(id, SEL) { return hostListFrame(); }

void listLoadView(id self, SEL) { loadNotificationList(self); }
void listViewDidLayoutSubviews(id self, SEL) { layoutNotificationList(rt::send<id()>(self, "viewIfLoaded")); }

void pageLoadView(id self, SEL sel) {
    callSuper<void()>(cls("SBDashBoardMainPageContentViewController"), self, sel);
    fillMainPage(self);
}
void pageViewDidLoad(id self, SEL sel) {
    callSuper<void()>(cls("SBDashBoardMainPageContentViewController"), self, sel);
}
void pageViewWillAppear(id self, SEL sel, bool animated) {
    callSuper<void(bool)>(cls("SBDashBoardMainPageContentViewController"), self, sel, animated);
}
void pageViewDidLayoutSubviews(id self, SEL sel) {
    callSuper<void()>(cls("SBDashBoardMainPageContentViewController"), self, sel);
    layOutMainPage(self);
}
// The notification list's controller, made on first use.
id pageCombinedList(id self, SEL) {
    auto& page = stateOf<MainPageController>(self);
    if (!page.combinedList) page.combinedList = rt::allocInit("SBDashBoardNotificationListViewController");
    return page.combinedList;
}

CGRect modalDateTimeFrame(id, SEL) { return defaultDateTimeFrame(); }

// Touches go through the view itself and reach only its subviews.
id passThroughHitTest(id self, SEL sel, CGPoint point, id event) {
    id hit = callSuper<id(CGPoint, id)>(cls("SBFTouchPassThroughView"), self, sel, point, event);
    return hit == self ? id{} : hit;
}

}  // namespace

std::vector<HostClass> dashBoardClasses() {
    return {
        {"SBDashBoardViewController", "UIViewController", {}, {method<&listMinY>("listMinY", kFrom11)}},
        {"SBDashBoardNotificationListViewController", "UIViewController", {},
         {method<&suggestedListViewFrame>("_suggestedListViewFrame", kBefore11), method<&listLoadView>("loadView"),
          method<&listViewDidLayoutSubviews>("viewDidLayoutSubviews")}},
        {"SBDashBoardMainPageContentViewController", "UIViewController", rt::factoryFor<MainPageController>(),
         {method<&pageLoadView>("loadView"), method<&pageViewDidLoad>("viewDidLoad"),
          method<&pageViewWillAppear>("viewWillAppear:"), method<&pageViewDidLayoutSubviews>("viewDidLayoutSubviews"),
          method<&pageCombinedList>("combinedListViewController")}},
        {"SBDashBoardModalView", "UIView", {}, {method<&modalDateTimeFrame>("_dateTimeFrame")}},
        {"SBFTouchPassThroughView", "UIView", {}, {method<&passThroughHitTest>("hitTest:withEvent:")}},
    };
}

}  // namespace springboard
