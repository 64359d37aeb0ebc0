// The build of the panel in its two styles: the stacked style (a clock block at
// the top left, a small weather block at the top right) and the row style (a
// clock row over a weather row, both the screen's width).
#include <cmath>

#include "DateFormatters.h"
#include "OVClockDragView.h"
#include "OVClockViewController.h"
#include "Settings.h"
#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"
#include "updateLabel.h"
#include "uikit/UIKit.h"

namespace orvelle {

namespace {

constexpr int kBackdropStyle = 2060;
// The blocks' default places were made under a 20-point status bar.
constexpr double kClassicStatusBar = 20;

struct StyleLayout {
    CGRect clock, weather, time, date, subtitle, image, temperature, location, conditions;
    const char* timeFont;
    const char* boldTimeFont;
    double timeSize;
    long dateAlignment;
    const char* subtitleFont;
};

StyleLayout stacked(double w) {
    return {CGRectMake(0, 30, 175, 135),
            CGRectMake(w - 70, 30, 90, 90),
            CGRectMake(10, 0, 250, 90),
            CGRectMake(10, 67, 200, 60),
            CGRectMake(10, 120, 200, 15),
            CGRectMake(0, 5, 60, 60),
            CGRectMake(0, 65, 90, 30),
            CGRectZero,
            CGRectZero,
            "PingFangSC-Thin",
            "PingFangSC-Light",
            55,
            NSTextAlignmentLeft,
            "PingFangSC-Thin"};
}

StyleLayout rows(double w) {
    return {CGRectMake(0, 15, w, 65),
            CGRectMake(0, 90, w, 65),
            CGRectMake(10, 10, 200, 66),
            CGRectMake(w - 100, 5, 90, 76),
            CGRectMake(w - 210, 65, 200, 15),
            CGRectMake(10, 0, 60, 60),
            CGRectZero,
            CGRectMake(75, 10, 320, 18),
            CGRectMake(75, 30, 320, 18),
            "HelveticaNeue-Thin",
            "HelveticaNeue-Light",
            45,
            NSTextAlignmentRight,
            "PingFangSC-Regular"};
}

// Under a taller status bar (the ears beside a sensor housing) the blocks
// start lower by the difference, so none lies under the housing or its ears.
void belowStatusBar(StyleLayout& layout) {
    double extra = ui::statusBarFrame(ui::sharedApplication()).size.height - kClassicStatusBar;
    if (extra <= 0) return;
    layout.clock.origin.y += extra;
    layout.weather.origin.y += extra;
}

// A fresh container is fixed (not in move mode).
id makeContainer(CGRect frame) {
    id view = ui::makeView(rt::objc_getClass("OVClockDragView"), frame);
    setCanBeDraged(view, false);
    return view;
}

void giveBackdrop(const id& container) {
    setBackgroundView(container, ui::makeBackdropView(kBackdropStyle));
    ui::addSubview(container, backgroundView(container));
}

id makeLabel(CGRect frame, const id& font, const id& colour) {
    id label = ui::makeLabel(frame);
    if (font) ui::setFont(label, font);
    ui::setTextColor(label, colour);
    return label;
}

// A stored coordinate that is not a finite number (an overflowing "1e999")
// counts as absent, so the block cannot vanish off the screen for good.
double coordinate(const id& record, const char* key) {
    double value = ns::floatValue(rt::cast<NSDictionary>(record)->objectForKey(key));
    return std::isfinite(value) ? value : 0.0;
}

// A stored place whose centre would lie off the screen (an older file, a
// hand-edited one, another screen size) shows the block at the nearest place
// within reach; the file keeps what it holds until the block is moved again.
void placeAtStoredPosition(const id& container, const id& hostView, const char* path, const char* xKey,
                           const char* yKey) {
    if (!ns::fileExistsAtPath(path)) return;
    id record = readDictionary(path);
    CGSize size = ui::bounds(container).size;
    CGPoint centre = reachableCentre(hostView, CGPointMake(coordinate(record, xKey) + size.width / 2,
                                                           coordinate(record, yKey) + size.height / 2));
    ui::setFrame(container, CGRectMake(centre.x - size.width / 2, centre.y - size.height / 2, size.width, size.height));
}

void stopReplacedLabels(const OVClockViewController& p) {
    stopRefreshing(p.timeLabel_);
    stopRefreshing(p.fakeTimeLabel_);
    stopRefreshing(p.dateLabel_);
}

}  // namespace

void buildPanel(const id& self) {
    auto p = rt::cast<OVClockViewController>(self);
    if (!p) return;
    // The labels this build replaces stop refreshing, so they are released and
    // the work per second does not grow with every load of the page.
    stopReplacedLabels(*p);

    // The host view covers the whole screen, so a long press reaches a block
    // wherever it is dragged; it lets every other touch through.
    CGRect screen = ui::screenBounds();
    double w = screen.size.width;
    rt::Class* passThrough = rt::objc_getClass("SBFTouchPassThroughView");
    setDateView(self, passThrough ? ui::makeView(passThrough, CGRectMake(0, 0, w, screen.size.height)) : id{});

    bool rowStyle = ggg("clockStyle", kIntegerRead) == 2;
    StyleLayout layout = rowStyle ? rows(w) : stacked(w);
    belowStatusBar(layout);

    double now = ns::now();
    std::string timeText = formatDate(timePattern(ggg("timeFormat", kIntegerRead)), now);
    std::string dateText = formatDate(datePattern(readSettings()), now);

    setClockView(self, makeContainer(layout.clock));
    setWeatherView(self, makeContainer(layout.weather));
    id clock = clockView(self);
    id weather = weatherView(self);
    giveBackdrop(clock);
    giveBackdrop(weather);
    setIsWeatherContainerView(clock, false);
    setIsWeatherContainerView(weather, true);
    setGesture(clock);
    setGesture(weather);

    id white = ui::whiteColor();
    p->conditionsView_ = ui::makeImageView(layout.image);
    ui::setImage(p->conditionsView_, id{});
    p->locationLabelView_ = ui::makeLabel(layout.location);
    p->conditionsLabelView_ = ui::makeLabel(layout.conditions);
    p->temperatureLabelView_ = ui::makeLabel(layout.temperature);
    ui::setText(p->locationLabelView_, locationString(self));
    ui::setText(p->conditionsLabelView_, conditionsString(self));
    ui::setText(p->temperatureLabelView_, temperatureString(self));

    id timeFont = ui::fontWithName_size(NSStr(layout.timeFont), layout.timeSize);
    p->timeLabel_ = makeLabel(layout.time, timeFont, white);
    p->fakeTimeLabel_ = makeLabel(layout.time, timeFont, white);

    p->dateLabel_ = makeLabel(layout.date, ui::fontWithName_size(NSStr("PingFangSC-Regular"), 15), white);
    ui::setTextAlignment(p->dateLabel_, layout.dateAlignment);
    ui::setBackgroundColor(p->dateLabel_, ui::clearColor());
    ui::setNumberOfLines(p->dateLabel_, 0);
    ui::setLineBreakMode(p->dateLabel_, NSLineBreakByWordWrapping);

    p->cusLabel_ = makeLabel(layout.subtitle, ui::fontWithName_size(NSStr(layout.subtitleFont), 15), white);
    ui::setTextAlignment(p->cusLabel_, layout.dateAlignment);
    ui::setText(p->cusLabel_, stringEntry(readSettings(), "subTitle"));

    if (settingOn("useBold")) {
        id bold = ui::fontWithName_size(NSStr(layout.boldTimeFont), layout.timeSize);
        ui::setFont(p->timeLabel_, bold);
        ui::setFont(p->fakeTimeLabel_, bold);
    }
    bool black = settingOn("useBlack");
    if (black) {
        for (const id& label : {p->timeLabel_, p->fakeTimeLabel_, p->dateLabel_, p->cusLabel_})
            ui::setTextColor(label, ui::blackColor());
    }

    ui::setText(p->timeLabel_, NSStr(timeText));
    ui::setText(p->fakeTimeLabel_, NSStr(timeText));
    ui::setText(p->dateLabel_, NSStr(dateText));
    ui::setAttributedText(p->timeLabel_, timeWithHiddenColon(timeText));

    updateTimeLabel(p->timeLabel_, false);
    updateTimeLabel(p->fakeTimeLabel_, true);
    updateDateLabel(p->dateLabel_);

    ui::addSubview(clock, p->timeLabel_);
    ui::addSubview(clock, p->dateLabel_);
    ui::addSubview(clock, p->fakeTimeLabel_);
    ui::addSubview(clock, p->cusLabel_);
    ui::addSubview(weather, p->conditionsView_);
    if (rowStyle) {
        ui::addSubview(weather, p->conditionsLabelView_);
        ui::addSubview(weather, p->locationLabelView_);
    } else {
        ui::addSubview(weather, p->temperatureLabelView_);
    }

    id holder = dateView(self);
    placeAtStoredPosition(weather, holder, kWeatherPositionFile, "weatherX", "weatherY");
    placeAtStoredPosition(clock, holder, kClockPositionFile, "clockX", "clockY");

    ui::setFont(p->conditionsLabelView_, ui::fontWithName_size(NSStr("PingFangSC-Medium"), 15));
    ui::setFont(p->locationLabelView_, ui::fontWithName_size(NSStr("PingFangSC-Semibold"), 15));
    ui::setFont(p->temperatureLabelView_, ui::fontWithName_size(NSStr("PingFangSC-Medium"), 30));
    id weatherColour = black ? ui::blackColor() : white;
    for (const id& label : {p->conditionsLabelView_, p->locationLabelView_, p->temperatureLabelView_})
        ui::setTextColor(label, weatherColour);

    if (settingOn("hideWea")) {
        ui::setHidden(weather, true);
        ui::setAlpha(weather, 0);
    }
    if (settingOn("hideClo")) {
        ui::setHidden(clock, true);
        ui::setAlpha(clock, 0);
    }

    ui::addSubview(holder, clock);
    ui::addSubview(holder, weather);
}

}  // namespace orvelle
