// The stock date and time view, its controller, and the legibility settings
// that tell the colour of lock-screen text on the current wallpaper.
#include "Geometry.h"
#include "HostClass.h"
#include "Legibility.h"
#include "StockDateView.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

class LegibilitySettings : public rt::Object {
public:
    id primaryColor;
};

class DateViewController : public UIViewController {
public:
    id legibilitySettings;
};

rt::Class* cls(const char* name) { return rt::objc_getClass(name); }

id legibilityInit(id self, SEL) {
    stateOf<LegibilitySettings>(self).primaryColor = rt::sendClass<id()>(cls("UIColor"), "whiteColor");
    return self;
}
id primaryColor(id self, SEL) { return stateOf<LegibilitySettings>(self).primaryColor; }
void setPrimaryColor(id self, SEL, id colour) { stateOf<LegibilitySettings>(self).primaryColor = colour; }

void dateViewLayoutSubviews(id self, SEL sel) {
    callSuper<void()>(cls("SBFLockScreenDateView"), self, sel);
    layoutStockDateView(self);
}
void dateViewSetFrame(id self, SEL sel, CGRect frame) {
    callSuper<void(CGRect)>(cls("SBFLockScreenDateView"), self, sel, frame);
}

id controllerInit(id self, SEL sel) {
    self = callSuper<id()>(cls("SBLockScreenDateViewController"), self, sel);
    if (!self) return self;
    id settings = rt::allocInit("_UILegibilitySettings");
    rt::send<void(id)>(settings, "setPrimaryColor:", legibilityPrimaryColor());
    stateOf<DateViewController>(self).legibilitySettings = settings;
    return self;
}
void controllerLoadView(id self, SEL) {
    rt::send<void(id)>(self, "setView:", makeStockDateView(defaultDateTimeFrame()));
}
// Refreshes the date view's text and colour.
void controllerUpdateView(id self, SEL) { refreshStockDateView(self); }
id controllerLegibilitySettings(id self, SEL) { return stateOf<DateViewController>(self).legibilitySettings; }

}  // namespace

std::vector<HostClass> dateViewClasses() {
    return {
        {"_UILegibilitySettings", "NSObject", rt::factoryFor<LegibilitySettings>(),
         {method<&legibilityInit>("init"), method<&primaryColor>("primaryColor"),
          method<&setPrimaryColor>("setPrimaryColor:")}},
        {"SBFLockScreenDateView", "UIView", {},
         {method<&dateViewLayoutSubviews>("layoutSubviews"), method<&dateViewSetFrame>("setFrame:")}},
        {"SBLockScreenDateViewController", "UIViewController", rt::factoryFor<DateViewController>(),
         {method<&controllerInit>("init"), method<&controllerLoadView>("loadView"),
          method<&controllerUpdateView>("_updateView"), method<&controllerLegibilitySettings>("legibilitySettings")}},
    };
}

}  // namespace springboard
