#include "StockDateView.h"

#include "foundation/DateFormatter.h"
#include "foundation/RunLoop.h"
#include "host/DateView.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

constexpr long kTimeTag = 1;
constexpr long kDateTag = 2;
constexpr double kTimeShare = 0.65;  // of the view's height; the date takes the rest

id labelTagged(const id& view, long tag) {
    for (const id& sub : ui::subviews(view))
        if (rt::isKindOfClass(sub, "UILabel") && ui::tag(sub) == tag) return sub;
    return {};
}

id makeLabel(long tag, const char* font, double size) {
    id label = ui::makeLabel();
    ui::setTag(label, tag);
    ui::setFont(label, ui::fontWithName_size(NSStr(font), size));
    ui::setTextAlignment(label, NSTextAlignmentCenter);
    return label;
}

std::string formatNow(const char* pattern) {
    // One formatter per pattern; the process's locale and zone stay fixed.
    static NSDateFormatter time, date;
    NSDateFormatter& f = std::string_view(pattern) == "H:mm" ? time : date;
    if (f.dateFormat() != pattern) f.setDateFormat(pattern);
    return f.stringFromDate(ns::now());
}

}  // namespace

id stockTimeLabel(const id& dateView) { return labelTagged(dateView, kTimeTag); }
id stockDateLabel(const id& dateView) { return labelTagged(dateView, kDateTag); }

id makeStockDateView(CGRect frame) {
    id view = ui::makeView(rt::objc_getClass("SBFLockScreenDateView"), frame);
    ui::addSubview(view, makeLabel(kTimeTag, "HelveticaNeue-UltraLight", 80));
    ui::addSubview(view, makeLabel(kDateTag, "HelveticaNeue-Light", 20));
    return view;
}

void layoutStockDateView(const id& view) {
    CGRect b = ui::bounds(view);
    double timeHeight = b.size.height * kTimeShare;
    ui::setFrame(stockTimeLabel(view), CGRectMake(0, 0, b.size.width, timeHeight));
    ui::setFrame(stockDateLabel(view), CGRectMake(0, timeHeight, b.size.width, b.size.height - timeHeight));
}

void refreshStockDateView(const id& controller) {
    id view = ui::view(controller);
    id colour = host::primaryColor(host::legibilitySettings(controller));
    id time = stockTimeLabel(view);
    id date = stockDateLabel(view);
    ui::setText(time, NSStr(formatNow("H:mm")));
    ui::setText(date, NSStr(formatNow("EEEE, MMMM d")));
    ui::setTextColor(time, colour);
    ui::setTextColor(date, colour);
}

}  // namespace springboard
