#include "Tweak/PageHooks.h"

#include "Settings.h"
#include "Tweak/HostState.h"
#include "Tweak/System.h"
#include "Tweak/WeatherHooks.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "uikit/Animation.h"

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

id getClockController(id self, SEL) { return rt::objc_getAssociatedObject(self, &kClockControllerKey); }
void setClockController(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kClockControllerKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}
id getWeatherController(id self, SEL) { return rt::objc_getAssociatedObject(self, &kWeatherControllerKey); }
void setWeatherController(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kWeatherControllerKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}
id getFuck(id self, SEL) { return rt::objc_getAssociatedObject(self, &kFuckKey); }
void setFuck(id self, SEL, id v) {
    rt::objc_setAssociatedObject(self, &kFuckKey, v, rt::OBJC_ASSOCIATION_RETAIN_NONATOMIC);
}

// ---- small helpers ----------------------------------------------------------------

id get(const id& object, const char* selector) { return rt::send<id()>(object, selector); }
void call(const id& object, const char* selector) { rt::send<void()>(object, selector); }
void callWith(const id& object, const char* selector, const id& argument) {
    rt::send<void(id)>(object, selector, argument);
}

id pagePanel(const id& page) { return get(page, "orvelleClockViewController"); }

void bringToFront(const id& page, const id& view) { callWith(get(page, "view"), "bringSubviewToFront:", view); }

// The panel takes the lock screen's legibility colour unless "disAutoBW" is on.
void colourStep(const id& page) {
    if (boolEntry(readSettings(), "disAutoBW") || !sharedLSController) return;
    id colour = get(get(sharedLSController, "legibilitySettings"), "primaryColor");
    callWith(pagePanel(page), "adjustColor:", colour);
}

void fadeBlocks(const id& page, double alpha) {
    ui::animateWithDuration_animations(kFadeDuration, [page, alpha] {
        rt::send<void(double)>(get(pagePanel(page), "clockView"), "setAlpha:", alpha);
        rt::send<void(double)>(get(pagePanel(page), "weatherView"), "setAlpha:", alpha);
    });
}

// ---- added methods ------------------------------------------------------------------

void hide(id self, SEL) { fadeBlocks(self, 0.0); }
void show(id self, SEL) { fadeBlocks(self, 1.0); }

bool isMissingTemperature(const id& temp) {
    return isEqualToString(temp, "(null)") || isEqualToString(temp, "") || isEqualToString(temp, "NULL");
}

void update(id self, SEL) {
    CapturedWeather& w = captured();
    id panel = pagePanel(self);
    callWith(panel, "setTemperatureString:", w.temp);
    // The row style shows the temperature behind the location. The combined text
    // is made afresh at every push so the captured location never grows.
    id location = w.loc;
    if (isMissingTemperature(w.temp)) {
        w.temp = NSStr("NULL");
    } else if (rt::send<int()>(panel, "style") == 2) {
        location = NSStr(describe(w.loc) + kLocationSeparator + describe(w.temp));
    }
    callWith(panel, "setLocationString:", location);
    callWith(panel, "setConditionsString:", w.cond);
    callWith(panel, "setWeatherImage:", w.img);
    call(panel, "updateNow");
}

// ---- hooks --------------------------------------------------------------------------

bool nineActiveForPage() {
    return ns::fileExistsAtPath(kNineLibrary) && atLeast11() && settingOn("moveTop");
}

void loadView(id self, SEL cmd) {
    stockLoadView(self, cmd);

    callWith(self, "setWeatherController:", rt::allocInit(rt::NSClassFromString("WALockscreenWidgetViewController")));
    callWith(self, "addChildViewController:", get(self, "weatherController"));
    rt::send<void(double)>(get(self, "weatherController"), "setUpdateInterval:", kWeatherUpdateInterval);

    callWith(self, "setOrvelleClockViewController:", panel());
    rt::send<void(int)>(pagePanel(self), "setStyle:", ggg("clockStyle", kIntegerRead) == 2 ? 2 : 1);
    call(pagePanel(self), "setClockAccordingToStyle");
    callWith(get(self, "view"), "addSubview:", get(pagePanel(self), "dateView"));

    ns::addObserver(self, rt::sel_registerName("update"), kWeatherShouldUpdateNow);
    ns::addObserver(self, rt::sel_registerName("show"), kShowClockNow);
    ns::addObserver(self, rt::sel_registerName("hide"), kHideClockNow);

    if (nineActiveForPage()) {
        NSLog("OVS: Detected Nine Installed.");
        if (boolEntry(readDictionary(kNineSettingsFile), "tweakEnabled")) {
            callWith(self, "setFuck:", fuck);
            callWith(self, "addChildViewController:", get(self, "fuck"));
            call(get(get(self, "fuck"), "view"), "removeFromSuperview");
            callWith(get(self, "view"), "addSubview:", get(fuck, "view"));
        }
    } else {
        callWith(self, "setFuck:", id{});
    }

    bringToFront(self, get(pagePanel(self), "dateView"));
    bringToFront(self, get(pagePanel(self), "clockView"));
    bringToFront(self, get(pagePanel(self), "weatherView"));
}

// Keeps the panel on top; with Nine hosted, the list lies above Nine's
// background, which lies above the panel.
void keepOnTop(const id& self) {
    bringToFront(self, get(pagePanel(self), "dateView"));
    if (id nine = get(self, "fuck")) {
        NSLog("OVS: Nine.");
        bringToFront(self, get(nine, "view"));
        bringToFront(self, get(get(self, "combinedListViewController"), "view"));
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
    rt::class_addMethod(page, rt::sel_registerName("hide"), &hide, "v@:");
    rt::class_addMethod(page, rt::sel_registerName("show"), &show, "v@:");
    rt::class_addMethod(page, rt::sel_registerName("update"), &update, "v@:");
    rt::class_addMethod(page, rt::sel_registerName("orvelleClockViewController"), &getClockController, getter);
    rt::class_addMethod(page, rt::sel_registerName("setOrvelleClockViewController:"), &setClockController, setter);
    rt::class_addMethod(page, rt::sel_registerName("weatherController"), &getWeatherController, getter);
    rt::class_addMethod(page, rt::sel_registerName("setWeatherController:"), &setWeatherController, setter);
    rt::class_addMethod(page, rt::sel_registerName("fuck"), &getFuck, getter);
    rt::class_addMethod(page, rt::sel_registerName("setFuck:"), &setFuck, setter);
}

constinit const Hook kPageLoadView = Hook::of<&loadView, &stockLoadView>(kPageClass, "loadView");
constinit const Hook kPageViewWillAppear = Hook::of<&viewWillAppear, &stockViewWillAppear>(kPageClass, "viewWillAppear:");
constinit const Hook kPageViewDidLoad = Hook::of<&viewDidLoad, &stockViewDidLoad>(kPageClass, "viewDidLoad");
constinit const Hook kPageViewDidLayoutSubviews =
    Hook::of<&viewDidLayoutSubviews, &stockViewDidLayoutSubviews>(kPageClass, "viewDidLayoutSubviews");

}  // namespace orvelle
