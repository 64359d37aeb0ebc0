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
        timers = rt::cast<NSMutableArray>(rt::alloc(rt::objc_getClass("NSMutableArray")));
        rt::objc_setAssociatedObject(label, &kRefreshTimersKey, timers, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    }
    return timers;
}

// A repeating 1-second timer on the current run loop stepping `step`; when the
// run loop hands back no timer, one more attempt.
void startRefresh(const id& label, const char* step) {
    SEL selector = rt::sel_registerName(step);
    id timer = ns::scheduledTimer(kRefreshInterval, label, selector, {}, true);
    if (!timer) timer = ns::scheduledTimer(kRefreshInterval, label, selector, {}, true);
    if (!timer) return;
    auto& timers = timersOf(label, true)->items;
    std::erase_if(timers, [](const id& t) { return !rt::send<bool()>(t, "isValid"); });
    timers.push_back(timer);
}

void updateTimeLabel(id self, SEL, bool overlay) { startRefresh(self, overlay ? "timeLabelSetHide" : "timeLabelSet"); }

void updateDateLabel(id self, SEL) { startRefresh(self, "dateLabelSet"); }

void timeLabelSet(id self, SEL) {
    double now = ns::now();
    std::string text = formatDate(timePattern(intEntry(cachedSettings(), "timeFormat")), now);
    static const SEL setAttributedText = rt::sel_registerName("setAttributedText:");
    rt::send<void(id)>(self, setAttributedText, timeWithHiddenColon(text));
}

void timeLabelSetHide(id self, SEL) {
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

void dateLabelSet(id self, SEL) {
    double now = ns::now();
    ui::setText(self, NSStr(formatDate(datePattern(cachedSettings()), now)));
}

}  // namespace

void registerLabelUpdates() {
    static bool done = [] {
        ui::registerUIKitClasses();
        rt::Class* label = rt::objc_getClass("UILabel");
        rt::class_addMethod(label, rt::sel_registerName("updateTimeLabel:"), &updateTimeLabel);
        rt::class_addMethod(label, rt::sel_registerName("timeLabelSet"), &timeLabelSet);
        rt::class_addMethod(label, rt::sel_registerName("timeLabelSetHide"), &timeLabelSetHide);
        rt::class_addMethod(label, rt::sel_registerName("updateDateLabel"), &updateDateLabel);
        rt::class_addMethod(label, rt::sel_registerName("dateLabelSet"), &dateLabelSet);
        return true;
    }();
    (void)done;
}

void stopRefreshing(const id& label) {
    auto timers = timersOf(label, false);
    if (!timers) return;
    std::vector<id> running;
    running.swap(timers->items);
    for (const id& timer : running) rt::send<void()>(timer, "invalidate");
}

std::size_t refreshTimerCount(const id& label) {
    auto timers = timersOf(label, false);
    if (!timers) return 0;
    std::size_t count = 0;
    for (const id& timer : timers->items)
        if (rt::send<bool()>(timer, "isValid")) ++count;
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
    static const SEL initWithString = rt::sel_registerName("initWithString:");
    static const SEL addAttribute = rt::sel_registerName("addAttribute:value:range:");
    static const id* const colourName = new id(NSStr(NSForegroundColorAttributeName));
    static const id* const transparent = new id(ui::colorWithWhite_alpha(1.0, 0.0));
    id attributed = rt::send<id(id)>(rt::alloc(attributedClass), initWithString, NSStr(text));
    NSRange colon = ui::rangeOfString(text, ":");
    if (colon.location != NSNotFound)
        rt::send<void(id, id, NSRange)>(attributed, addAttribute, *colourName, *transparent, colon);
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
