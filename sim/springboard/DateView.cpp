// The stock date and time view, its controller, and the legibility settings
// that tell the colour of lock-screen text on the current wallpaper.
#include "Geometry.h"
#include "HostClass.h"
#include "Legibility.h"
#include "StockDateView.h"
#include "host/DateView.h"
#include "uikit/UIColor.h"
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

id legibilityInit(id self, SEL cmd) {
    rt::state<LegibilitySettings>(self, cmd).primaryColor = ui::whiteColor();
    return self;
}
id primaryColor(id self, SEL cmd) { return rt::state<LegibilitySettings>(self, cmd).primaryColor; }
void setPrimaryColor(id self, SEL cmd, id colour) { rt::state<LegibilitySettings>(self, cmd).primaryColor = colour; }

void dateViewLayoutSubviews(id self, SEL) {
    rt::sendSuper(cls("SBFLockScreenDateView"), self, ui::layoutSubviews);
    layoutStockDateView(self);
}
void dateViewSetFrame(id self, SEL, CGRect frame) {
    rt::sendSuper(cls("SBFLockScreenDateView"), self, ui::setFrame, frame);
}

id controllerInit(id self, SEL cmd) {
    self = rt::sendSuper(cls("SBLockScreenDateViewController"), self, rt::init);
    if (!self) return self;
    id settings = rt::allocInit("_UILegibilitySettings");
    host::setPrimaryColor(settings, legibilityPrimaryColor());
    rt::state<DateViewController>(self, cmd).legibilitySettings = settings;
    return self;
}
void controllerLoadView(id self, SEL) { ui::setView(self, makeStockDateView(defaultDateTimeFrame())); }
void controllerUpdateView(id self, SEL) { refreshStockDateView(self); }
id controllerLegibilitySettings(id self, SEL cmd) {
    return rt::state<DateViewController>(self, cmd).legibilitySettings;
}

}  // namespace

std::vector<HostClass> dateViewClasses() {
    return {
        {"_UILegibilitySettings",
         "NSObject",
         rt::factoryFor<LegibilitySettings>(),
         {method<&legibilityInit>(rt::init), method<&primaryColor>(host::primaryColor),
          method<&setPrimaryColor>(host::setPrimaryColor)}},
        {"SBFLockScreenDateView",
         "UIView",
         {},
         {method<&dateViewLayoutSubviews>(ui::layoutSubviews), method<&dateViewSetFrame>(ui::setFrame)}},
        {"SBLockScreenDateViewController",
         "UIViewController",
         rt::factoryFor<DateViewController>(),
         {method<&controllerInit>(rt::init), method<&controllerLoadView>(ui::loadView),
          method<&controllerUpdateView>(host::_updateView),
          method<&controllerLegibilitySettings>(host::legibilitySettings)}},
    };
}

}  // namespace springboard
