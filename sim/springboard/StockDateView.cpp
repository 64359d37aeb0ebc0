#include "StockDateView.h"

#include "Geometry.h"
#include "LockScreenFigures.h"
#include "foundation/DateFormatter.h"
#include "foundation/RunLoop.h"
#include "host/DateView.h"
#include "renderer/FontMap.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

constexpr long kTimeTag = 1;
constexpr long kDateTag = 2;

// Hours and minutes without a day period, and the weekday, month and day, in
// the device's locale.
constexpr const char* kTimeTemplate = "Jmm";
constexpr const char* kDateTemplate = "EEEEMMMMd";

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

// The label's line with its baseline at `baseline` (screen points), in a
// date view standing at its default place.
CGRect lineAt(double baseline, const char* font, double size, double width) {
    render::LineMetrics line = render::lineMetrics(font, size);
    double top = baseline - line.baseline - CGRectGetMinY(defaultDateTimeFrame());
    return CGRectMake(0, top, width, line.height);
}

std::string formatNow(const char* dateTemplate) {
    // One formatter per template; the process's locale and zone stay fixed.
    static NSDateFormatter time, date;
    NSDateFormatter& f = dateTemplate == kTimeTemplate ? time : date;
    if (f.dateFormat().empty()) f.setLocalizedDateFormatFromTemplate(dateTemplate);
    return f.stringFromDate(ns::now());
}

}  // namespace

id stockTimeLabel(const id& dateView) { return labelTagged(dateView, kTimeTag); }
id stockDateLabel(const id& dateView) { return labelTagged(dateView, kDateTag); }

id makeStockDateView(CGRect frame) {
    const LockScreenFigures& f = figures();
    id view = ui::makeView(rt::objc_getClass("SBFLockScreenDateView"), frame);
    ui::addSubview(view, makeLabel(kTimeTag, f.timeFont, f.screen.timeSize));
    ui::addSubview(view, makeLabel(kDateTag, f.dateFont, f.screen.dateSize));
    return view;
}

void layoutStockDateView(const id& view) {
    const LockScreenFigures& f = figures();
    double width = ui::bounds(view).size.width;
    ui::setFrame(stockTimeLabel(view), lineAt(f.screen.timeBaseline, f.timeFont, f.screen.timeSize, width));
    ui::setFrame(stockDateLabel(view), lineAt(f.screen.dateBaseline, f.dateFont, f.screen.dateSize, width));
}

void refreshStockDateView(const id& controller) {
    id view = ui::view(controller);
    id colour = host::primaryColor(host::legibilitySettings(controller));
    id time = stockTimeLabel(view);
    id date = stockDateLabel(view);
    ui::setText(time, NSStr(formatNow(kTimeTemplate)));
    ui::setText(date, NSStr(formatNow(kDateTemplate)));
    ui::setTextColor(time, colour);
    ui::setTextColor(date, colour);
}

}  // namespace springboard
