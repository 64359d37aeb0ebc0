// The lock screen's controllers: the dashboard, its main page, the
// notification list, the modal view that knows the default date-time place,
// and the view that lets touches through.
#include "Geometry.h"
#include "HostClass.h"
#include "LockScreen.h"
#include "NotificationList.h"
#include "host/DashBoard.h"
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
void listViewDidLayoutSubviews(id self, SEL) { layoutNotificationList(ui::viewIfLoaded(self)); }

rt::Class* pageClass() { return cls("SBDashBoardMainPageContentViewController"); }
void pageLoadView(id self, SEL) {
    rt::sendSuper(pageClass(), self, ui::loadView);
    fillMainPage(self);
}
void pageViewDidLoad(id self, SEL) { rt::sendSuper(pageClass(), self, ui::viewDidLoad); }
void pageViewWillAppear(id self, SEL, bool animated) { rt::sendSuper(pageClass(), self, ui::viewWillAppear, animated); }
void pageViewDidLayoutSubviews(id self, SEL) {
    rt::sendSuper(pageClass(), self, ui::viewDidLayoutSubviews);
    layOutMainPage(self);
}
// The notification list's controller, made on first use.
id pageCombinedList(id self, SEL cmd) {
    auto& page = rt::state<MainPageController>(self, cmd);
    if (!page.combinedList) page.combinedList = rt::allocInit("SBDashBoardNotificationListViewController");
    return page.combinedList;
}

CGRect modalDateTimeFrame(id, SEL) { return defaultDateTimeFrame(); }

// Touches go through the view itself and reach only its subviews.
id passThroughHitTest(id self, SEL, CGPoint point, id event) {
    id hit = rt::sendSuper(cls("SBFTouchPassThroughView"), self, ui::hitTest_withEvent, point, event);
    return hit == self ? id{} : hit;
}

}  // namespace

std::vector<HostClass> dashBoardClasses() {
    return {
        {"SBDashBoardViewController", "UIViewController", {}, {method<&listMinY>(host::listMinY, kFrom11)}},
        {"SBDashBoardNotificationListViewController",
         "UIViewController",
         {},
         {method<&suggestedListViewFrame>(host::_suggestedListViewFrame, kBefore11),
          method<&listLoadView>(ui::loadView), method<&listViewDidLayoutSubviews>(ui::viewDidLayoutSubviews)}},
        {"SBDashBoardMainPageContentViewController",
         "UIViewController",
         rt::factoryFor<MainPageController>(),
         {method<&pageLoadView>(ui::loadView), method<&pageViewDidLoad>(ui::viewDidLoad),
          method<&pageViewWillAppear>(ui::viewWillAppear),
          method<&pageViewDidLayoutSubviews>(ui::viewDidLayoutSubviews),
          method<&pageCombinedList>(host::combinedListViewController)}},
        {"SBDashBoardModalView", "UIView", {}, {method<&modalDateTimeFrame>(host::_dateTimeFrame)}},
        {"SBFTouchPassThroughView", "UIView", {}, {method<&passThroughHitTest>(ui::hitTest_withEvent)}},
    };
}

}  // namespace springboard
