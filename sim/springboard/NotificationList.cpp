#include "NotificationList.h"

#include <cmath>
#include <cstdlib>

#include "LockScreen.h"
#include "LockScreenFigures.h"
#include "MediaControls.h"
#include "NotificationStore.h"
#include "Platters.h"
#include "foundation/RunLoop.h"
#include "host/DashBoard.h"
#include "renderer/FontMap.h"
#include "uikit/UIDevice.h"
#include "uikit/UIScreen.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

// 11 keeps what came within the hour on top and the rest under a heading
// (an estimate of what counts as new: what came since the last unlock).
constexpr double kNewFor = 3600;

bool eleven() { return std::atoi(ui::deviceProfile().systemVersion.c_str()) >= 11; }

bool isHeading(const id& view) { return rt::isKindOfClass(view, "NCNotificationListSectionHeaderView"); }


AppIcon iconOf(const std::string& app) {
    if (app == "Messages") return AppIcon::Messages;
    if (app == "Calendar") return AppIcon::Calendar;
    if (app == "Mail") return AppIcon::Mail;
    return AppIcon::Other;
}

// The store's notifications as platters, newest first, under 11's heading
// where they grow old.
void addPlatters(const id& list) {
    const double now = ns::now();
    bool headed = false;
    for (const wire::Notification& n : notifications()) {
        PlatterContent content{iconOf(n.app()), n.app(), n.title(), n.body(), n.posted_at()};
        if (eleven() && !headed && now - content.postedAt >= kNewFor) {
            ui::addSubview(list, makeSectionHeader("Earlier Today"));
            headed = true;
        }
        ui::addSubview(list, makePlatter(content));
    }
}

}  // namespace

void loadNotificationList(const id& controller) {
    id list = ui::makeView(ui::screenBounds());
    addPlatters(list);
    ui::setView(controller, list);
    layoutNotificationList(list);
}

void reloadNotificationList() {
    id page = lockScreen().page;
    id list = page ? ui::viewIfLoaded(host::combinedListViewController(page)) : id{};
    if (!list) return;
    for (const id& view : ui::subviews(list))
        if (view != mediaCard()) ui::removeFromSuperview(view);
    addPlatters(list);
    layoutNotificationList(list);
}

void layoutNotificationList(const id& list) {
    const LockScreenFigures& f = figures();
    const double listWidth = ui::bounds(list).size.width;
    double width = listWidth - 2 * f.platterMargin;
    if (f.tablet) width = std::min(width, f.tabletListWidth);
    const double x = (listWidth - width) / 2;
    double y = 0;
    for (const id& view : ui::subviews(list)) {
        if (view == mediaCard()) {
            ui::setFrame(view, CGRectMake(x, y, width, f.mediaCardHeight));
            layOutMediaControls();
            y += f.mediaCardHeight + f.platterGap;
            continue;
        }
        if (isHeading(view)) {
            ui::setFrame(view, CGRectMake(x, y, width, f.sectionHeaderHeight));
            id title = ui::subviews(view).at(0);
            const double h = render::lineMetrics(".SFUIDisplay-Semibold", 20).height;
            ui::setFrame(title, CGRectMake(4, (f.sectionHeaderHeight - h) / 2, width - 40, h));
            y += f.sectionHeaderHeight + f.platterGap;
            continue;
        }
        const double height = layOutPlatter(view, width);
        ui::setFrame(view, CGRectMake(x, y, width, height));
        y += height + f.platterGap;
    }
}

void refreshNotificationList() {
    id page = lockScreen().page;
    id list = page ? ui::viewIfLoaded(host::combinedListViewController(page)) : id{};
    if (!list) return;
    for (const id& view : ui::subviews(list)) refreshPlatter(view);
    layoutNotificationList(list);
}

}  // namespace springboard
