// A stand-in of Nine, another party's lock-screen add-on: at load it registers
// its background controller class, and once the home screen has launched it
// makes the one background controller it runs with.
#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/UIColor.h"
#include "uikit/UIScreen.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace {

constexpr const char* kSettingsFile = "/var/mobile/Library/Preferences/com.brannoch.nineprefs.plist";

class BackgroundViewController : public UIViewController {};

// Kept for the life of the process, as the add-on keeps its controller.
id& background() {
    static id* controller = new id;
    return *controller;
}

void (*stockDidFinishLaunching)(id, SEL, id) = nullptr;

void backgroundLoadView(id self, SEL) {
    id view = ui::makeView(ui::screenBounds());
    // The add-on's background: a dark veil over the whole lock screen.
    ui::setBackgroundColor(view, ui::colorWithWhite_alpha(0.0, 0.35));
    ui::setView(self, view);
}

void didFinishLaunching(id self, SEL cmd, id application) {
    if (stockDidFinishLaunching) stockDidFinishLaunching(self, cmd, application);
    id settings = ns::dictionaryWithContentsOfFile(kSettingsFile);
    bool enabled = settings && ns::boolValue(rt::cast<NSDictionary>(settings)->objectForKey("tweakEnabled"));
    if (!enabled) return;
    background() = rt::allocInit("TCBackgroundViewController");
    NSLog("Nine: background controller ready");
}

__attribute__((constructor)) void loadNine() try {
    rt::Class* cls = rt::objc_registerClass("TCBackgroundViewController", rt::objc_getClass("UIViewController"),
                                            rt::factoryFor<BackgroundViewController>());
    rt::defineMethod(cls, ui::loadView, &backgroundLoadView);
    // The controller comes when the home screen has launched, after every
    // add-on has been loaded and has had its say about this class.
    MSHookMessageEx(rt::objc_getClass("SpringBoard"), rt::sel_registerName("applicationDidFinishLaunching:"),
                    &didFinishLaunching, &stockDidFinishLaunching);
} catch (const std::exception& e) {
    NSLog("Nine: not started: %s", e.what());
}

}  // namespace
