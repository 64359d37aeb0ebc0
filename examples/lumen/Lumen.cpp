// Lumen: a greeting under the lock screen's clock. It hooks the stock date
// view's layout and keeps one label of its own in it, with the text and the
// switch of its pane (com.example.lumen).
#include <exception>

#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIView.h"

namespace {

constexpr const char* kSettings = "/var/mobile/Library/Preferences/com.example.lumen.plist";
constexpr const char* kDefaultGreeting = "Hello from Lumen";

void (*stockLayoutSubviews)(id, SEL) = nullptr;

// The label, kept for the life of the home screen.
id& greetingLabel() {
    static id* label = new id;
    return *label;
}

void layoutSubviews(id self, SEL cmd) {
    if (stockLayoutSubviews) stockLayoutSubviews(self, cmd);
    id settings = ns::dictionaryWithContentsOfFile(kSettings);
    auto values = rt::cast<NSDictionary>(settings);
    id enabled = values ? values->objectForKey("enabled") : id();
    id greeting = values ? values->objectForKey("greeting") : id();
    id& label = greetingLabel();
    if (enabled && !ns::boolValue(enabled)) {
        if (label) ui::removeFromSuperview(label);
        return;
    }
    if (!label) {
        label = ui::makeLabel();
        ui::setTextColor(label, ui::whiteColor());
        ui::setFont(label, ui::systemFontOfSize(17));
        ui::setTextAlignment(label, 1);
    }
    CGRect bounds = ui::bounds(self);
    ui::setFrame(label, CGRectMake(0, bounds.size.height, bounds.size.width, 24));
    ui::setText(label, isString(greeting) && !str(greeting).empty() ? greeting : NSStr(kDefaultGreeting));
    if (ui::superview(label) != self) ui::addSubview(self, label);
}

__attribute__((constructor)) void lumenLoad() {
    try {
        MSHookMessageEx(rt::objc_getClass("SBFLockScreenDateView"), rt::sel_registerName("layoutSubviews"),
                        &layoutSubviews, &stockLayoutSubviews);
        NSLog("Lumen: ready");
    } catch (const std::exception& e) {
        NSLog("Lumen: not started: %s", e.what());
    }
}

}  // namespace
