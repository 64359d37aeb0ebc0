#include "Tweak/PageHooks.h"

#include "OVClockViewController.h"
#include "Settings.h"
#include "Tweak/HostState.h"
#include "Tweak/LegibilityColour.h"
#include "Tweak/System.h"
#include "Tweak/WeatherHooks.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "host/DashBoard.h"
#include "host/Weather.h"
#include "uikit/Animation.h"
#include "uikit/UIViewController.h"

namespace orvelle {

namespace {

constexpr const char* kPageClass = "SBDashBoardMainPageContentViewController";
constexpr double kWeatherUpdateInterval = 180.0;
constexpr double kFadeDuration = static_cast<double>(0.3f);
constexpr const char* kLocationSeparator = "\u30FB";

char kClockControllerKey;
char kWeatherControllerKey;
char kFuckKey;

void (*stockLoadView)(id, SEL) = nullptr;
void (*stockViewWillAppear)(id, SEL, bool) = nullptr;
void (*stockViewDidLoad)(id, SEL) = nullptr;
void (*stockViewDidLayoutSubviews)(id, SEL) = nullptr;

// ---- added properties ---------------------------------------------------------

id clockControllerImp(id self, SEL) { return rt::objc_getAssociatedObject(self, &kClockControllerKey); }
void setClockControllerImp(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kClockControllerKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}
id weatherControllerImp(id self, SEL) { return rt::objc_getAssociatedObject(self, &kWeatherControllerKey); }
void setWeatherControllerImp(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kWeatherControllerKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}
id fuckImp(id self, SEL) { return rt::objc_getAssociatedObject(self, &kFuckKey); }
void setFuckImp(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kFuckKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}

// ---- small helpers ----------------------------------------------------------------

void bringToFront(const id& page, const id& view) { ui::bringSubviewToFront(ui::view(page), view); }

void colourStep(const id& page) { followLegibilityColour(sharedLSController, orvelleClockViewController(page)); }

void fadeBlocks(const id& page, double alpha) {
    ui::animateWithDuration_animations(kFadeDuration, [page, alpha] {
        ui::setAlpha(clockView(orvelleClockViewController(page)), alpha);
        ui::setAlpha(weatherView(orvelleClockViewController(page)), alpha);
    });
}

// ---- added methods ------------------------------------------------------------------

void hideImp(id self, SEL) { fadeBlocks(self, 0.0); }
void showImp(id self, SEL) { fadeBlocks(self, 1.0); }

// A text the widget has not given: nothing, an empty text, or a placeholder
// word standing for nothing, which must never reach the lock screen.
id given(const id& text) {
    if (!text || isEqualToString(text, "") || isEqualToString(text, "(null)") || isEqualToString(text, "NULL"))
        return id{};
    return text;
}

void updateImp(id self, SEL) {
    const CapturedWeather& w = captured();
    id panel = orvelleClockViewController(self);
    id temperature = given(w.temp);
    id location = given(w.loc);
    setTemperatureString(panel, temperature);
    // The row style shows the temperature behind the location; a missing part
    // is left out with its separator. The combined text is made afresh at
    // every push, so the captured location never grows.
    if (style(panel) == 2 && temperature)
        location = location ? NSStr(str(location) + kLocationSeparator + str(temperature)) : temperature;
    setLocationString(panel, location);
    setConditionsString(panel, given(w.cond));
    setWeatherImage(panel, w.img);
    updateNow(panel);
}

// ---- hooks --------------------------------------------------------------------------

bool nineActiveForPage() {
    return ns::fileExistsAtPath(kNineLibrary) && atLeast11() && settingOn("moveTop");
}

void loadView(id self, SEL cmd) {
    stockLoadView(self, cmd);

    setWeatherController(self, rt::allocInit(rt::NSClassFromString("WALockscreenWidgetViewController")));
    ui::addChildViewController(self, weatherController(self));
    host::setUpdateInterval(weatherController(self), kWeatherUpdateInterval);

    setOrvelleClockViewController(self, sharedInstance());
    id panel = orvelleClockViewController(self);
    setStyle(panel, ggg("clockStyle", kIntegerRead) == 2 ? 2 : 1);
    setClockAccordingToStyle(panel);
    ui::addSubview(ui::view(self), dateView(panel));

    ns::addObserver(self, update.sel(), kWeatherShouldUpdateNow);
    ns::addObserver(self, show.sel(), kShowClockNow);
    ns::addObserver(self, hide.sel(), kHideClockNow);

    if (nineActiveForPage()) {
        NSLog("OVS: Detected Nine Installed.");
        if (boolEntry(readDictionary(kNineSettingsFile), "tweakEnabled")) {
            setFuck(self, nineController);
            ui::addChildViewController(self, fuck(self));
            ui::removeFromSuperview(ui::view(fuck(self)));
            ui::addSubview(ui::view(self), ui::view(nineController));
        }
    } else {
        setFuck(self, id{});
    }

    bringToFront(self, dateView(panel));
    bringToFront(self, clockView(panel));
    bringToFront(self, weatherView(panel));
}

// Keeps the panel on top; with Nine hosted, the list lies above Nine's
// background, which lies above the panel.
void keepOnTop(const id& self) {
    bringToFront(self, dateView(orvelleClockViewController(self)));
    if (id nine = fuck(self)) {
        NSLog("OVS: Nine.");
        bringToFront(self, ui::view(nine));
        bringToFront(self, ui::view(host::combinedListViewController(self)));
    }
    colourStep(self);
}

void viewDidLoad(id self, SEL cmd) {
    stockViewDidLoad(self, cmd);
    keepOnTop(self);
}

void viewDidLayoutSubviews(id self, SEL cmd) {
    stockViewDidLayoutSubviews(self, cmd);
    keepOnTop(self);
}

void viewWillAppear(id self, SEL cmd, bool animated) {
    stockViewWillAppear(self, cmd, animated);
    colourStep(self);
}

}  // namespace

void addPageMethods() {
    Class* page = rt::objc_getClass(kPageClass);
    const std::string getter = format("%s@:", "@");
    const std::string setter = format("v@:%s", "@");
    rt::class_addMethod(page, hide.sel(), &hideImp, "v@:");
    rt::class_addMethod(page, show.sel(), &showImp, "v@:");
    rt::class_addMethod(page, update.sel(), &updateImp, "v@:");
    rt::class_addMethod(page, orvelleClockViewController.sel(), &clockControllerImp, getter);
    rt::class_addMethod(page, setOrvelleClockViewController.sel(), &setClockControllerImp, setter);
    rt::class_addMethod(page, weatherController.sel(), &weatherControllerImp, getter);
    rt::class_addMethod(page, setWeatherController.sel(), &setWeatherControllerImp, setter);
    rt::class_addMethod(page, fuck.sel(), &fuckImp, getter);
    rt::class_addMethod(page, setFuck.sel(), &setFuckImp, setter);
}

constinit const Hook kPageLoadView = Hook::of<&loadView, &stockLoadView>(kPageClass, "loadView");
constinit const Hook kPageViewWillAppear = Hook::of<&viewWillAppear, &stockViewWillAppear>(kPageClass, "viewWillAppear:");
constinit const Hook kPageViewDidLoad = Hook::of<&viewDidLoad, &stockViewDidLoad>(kPageClass, "viewDidLoad");
constinit const Hook kPageViewDidLayoutSubviews =
    Hook::of<&viewDidLayoutSubviews, &stockViewDidLayoutSubviews>(kPageClass, "viewDidLayoutSubviews");

}  // namespace orvelle
