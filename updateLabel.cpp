#include "updateLabel.h"

#include <cmath>
#include <vector>

#include "DateFormatters.h"
#include "Settings.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"

namespace orvelle {

namespace {

constexpr double kRefreshInterval = 1.0;
constexpr double kFadeDuration = 0.3;
constexpr const char* kDefaultDatePattern = "EEEE\nyyyy-MM-dd";

// The timers started on a label, kept on the label itself.
char kRefreshTimersKey;

std::shared_ptr<NSMutableArray> timersOf(const id& label, bool create) {
    auto timers = rt::cast<NSMutableArray>(rt::objc_getAssociatedObject(label, &kRefreshTimersKey));
    if (!timers && create) {
        timers = rt::make<NSMutableArray>("NSMutableArray");
        rt::objc_setAssociatedObject(label, &kRefreshTimersKey, timers, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    }
    return timers;
}

// A repeating 1-second timer on the current run loop stepping `step`; the time
// labels try once more when the run loop hands back no timer, the date label
// does not.
void startRefresh(const id& label, const rt::Msg<void()>& step, bool secondAttempt) {
    SEL selector = step.sel();
    id timer = ns::scheduledTimer(kRefreshInterval, label, selector, {}, true);
    if (!timer && secondAttempt) timer = ns::scheduledTimer(kRefreshInterval, label, selector, {}, true);
    if (!timer) return;
    auto& timers = timersOf(label, true)->items;
    std::erase_if(timers, [](const id& t) { return !ns::isValid(t); });
    timers.push_back(timer);
}

void updateTimeLabelImp(id self, SEL, bool overlay) {
    startRefresh(self, overlay ? timeLabelSetHide : timeLabelSet, true);
}

void updateDateLabelImp(id self, SEL) { startRefresh(self, dateLabelSet, false); }

void timeLabelSetImp(id self, SEL) {
    double now = ns::now();
    std::string text = formatDate(timePattern(intEntry(cachedSettings(), "timeFormat")), now);
    ui::setAttributedText(self, timeWithHiddenColon(text));
}

void timeLabelSetHideImp(id self, SEL) {
    double now = ns::now();
    id settings = cachedSettings();
    ui::setText(self, NSStr(formatDate(timePattern(intEntry(settings, "timeFormat")), now)));
    double target = isOddSecond(now) ? 1.0 : 0.0;
    if (boolEntry(settings, "disFlashing")) {
        // A steady colon: one frozen while faded out would stay invisible.
        if (ui::alpha(self) >= 1.0) return;
        target = 1.0;
    }
    ui::animateWithDuration_animations(kFadeDuration, [&self, target] { ui::setAlpha(self, target); });
}

void dateLabelSetImp(id self, SEL) {
    double now = ns::now();
    ui::setText(self, NSStr(formatDate(datePattern(cachedSettings()), now)));
}

}  // namespace

void registerLabelUpdates() {
    static bool done = [] {
        ui::registerUIKitClasses();
        rt::Class* label = rt::objc_getClass("UILabel");
        rt::addMethod(label, updateTimeLabel, &updateTimeLabelImp);
        rt::addMethod(label, timeLabelSet, &timeLabelSetImp);
        rt::addMethod(label, timeLabelSetHide, &timeLabelSetHideImp);
        rt::addMethod(label, updateDateLabel, &updateDateLabelImp);
        rt::addMethod(label, dateLabelSet, &dateLabelSetImp);
        return true;
    }();
    (void)done;
}

void stopRefreshing(const id& label) {
    auto timers = timersOf(label, false);
    if (!timers) return;
    std::vector<id> running;
    running.swap(timers->items);
    for (const id& timer : running) ns::invalidate(timer);
}

std::size_t refreshTimerCount(const id& label) {
    auto timers = timersOf(label, false);
    if (!timers) return 0;
    std::size_t count = 0;
    for (const id& timer : timers->items)
        if (ns::isValid(timer)) ++count;
    return count;
}

std::string timePattern(int timeFormat) { return timeFormat == 2 ? "h:mm" : "HH:mm"; }

std::string datePattern(const id& settings) {
    if (!boolEntry(settings, "enableCDF")) return kDefaultDatePattern;
    return str(stringEntry(settings, "dayFormat")) + "\n" + str(stringEntry(settings, "dateFormat"));
}

id timeWithHiddenColon(const std::string& text) {
    // Looked up once: this runs every second for the life of the process.
    static rt::Class* const attributedClass = rt::objc_getClass("NSMutableAttributedString");
    static const id* const colourName = new id(NSStr(NSForegroundColorAttributeName));
    static const id* const transparent = new id(ui::colorWithWhite_alpha(1.0, 0.0));
    id attributed = ui::initWithString(rt::alloc(attributedClass), NSStr(text));
    NSRange colon = ui::rangeOfString(text, ":");
    if (colon.location != NSNotFound) ui::addAttribute_value_range(attributed, *colourName, *transparent, colon);
    return attributed;
}

bool isOddSecond(double seconds) {
    // Read from the time itself rather than from a formatted "ss", whose digits
    // are not ASCII in every locale. Zones differ from UTC by whole minutes, so
    // the parity is the same in all of them; the time is rounded to the
    // millisecond as the formatters round it.
    double whole = std::floor(std::floor(seconds * 1000.0 + 0.5) / 1000.0);
    return std::fmod(std::fabs(whole), 2.0) == 1.0;
}

}  // namespace orvelle
