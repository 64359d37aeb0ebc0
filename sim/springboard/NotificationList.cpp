#include "NotificationList.h"

#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIScreen.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

constexpr double kMargin = 8;
constexpr double kCellHeight = 64;

struct Sample {
    const char* app;
    const char* message;
};
constexpr Sample kSamples[] = {
    {"MESSAGES", "Anna: See you at eight?"},
    {"CALENDAR", "Team lunch at 12:30"},
    {"MAIL", "Your parcel is on its way"},
};

id makeCell(const Sample& sample) {
    id cell = ui::makeView();
    ui::setBackgroundColor(cell, ui::colorWithWhite_alpha(1, 0.7));
    id app = ui::makeLabel(CGRectMake(12, 8, 200, 16));
    ui::setText(app, NSStr(sample.app));
    ui::setFont(app, ui::fontWithName_size(NSStr("HelveticaNeue"), 12));
    ui::setTextColor(app, ui::colorWithWhite_alpha(0.3, 1));
    id message = ui::makeLabel(CGRectMake(12, 28, 200, 24));
    ui::setText(message, NSStr(sample.message));
    ui::setFont(message, ui::fontWithName_size(NSStr("HelveticaNeue"), 16));
    ui::addSubview(cell, app);
    ui::addSubview(cell, message);
    return cell;
}

}  // namespace

void loadNotificationList(const id& controller) {
    id list = ui::makeView(ui::screenBounds());
    for (const Sample& sample : kSamples) ui::addSubview(list, makeCell(sample));
    ui::setView(controller, list);
    layoutNotificationList(list);
}

void layoutNotificationList(const id& list) {
    double width = ui::bounds(list).size.width - 2 * kMargin;
    double y = 0;
    for (const id& cell : ui::subviews(list)) {
        ui::setFrame(cell, CGRectMake(kMargin, y, width, kCellHeight));
        auto labels = ui::subviews(cell);
        for (const id& label : labels) {
            CGRect f = ui::frame(label);
            ui::setFrame(label, CGRectMake(f.origin.x, f.origin.y, width - 24, f.size.height));
        }
        y += kCellHeight + kMargin;
    }
}

}  // namespace springboard
