#include "Tweak/DateViewHooks.h"

#include "Tweak/HostState.h"
#include "Tweak/LegibilityColour.h"
#include "Tweak/System.h"
#include "OVClockViewController.h"
#include "graphics/Geometry.h"
#include "host/DashBoard.h"
#include "uikit/UIScreen.h"
#include "uikit/UIViewController.h"

namespace orvelle {

namespace {

void (*stockLayoutSubviews)(id, SEL) = nullptr;
void (*stockSetFrame)(id, SEL, CGRect) = nullptr;
id (*stockControllerInit)(id, SEL) = nullptr;
void (*stockControllerLoadView)(id, SEL) = nullptr;
void (*stockUpdateView)(id, SEL) = nullptr;
id (*stockNineInit)(id, SEL) = nullptr;

void hideView(const id& view) {
    ui::setHidden(view, true);
    ui::setAlpha(view, 0.0);
}

void layoutSubviews(id self, SEL cmd) {
    stockLayoutSubviews(self, cmd);
    if (ui::superview(self)) hideView(self);
}

// The panel follows the stock view's offset from its default place. Its host
// view stays as tall as the screen, so long presses reach the blocks wherever
// they were dragged.
void setFrame(id self, SEL cmd, CGRect frame) {
    stockSetFrame(self, cmd, frame);
    if (!atLeast11()) return;
    static Class* modalClass = rt::objc_getClass("SBDashBoardModalView");
    CGRect defaultFrame = host::_dateTimeFrame(rt::allocInit(modalClass));
    double y = frame.origin.y - defaultFrame.origin.y;
    CGSize screen = ui::screenBounds().size;
    ui::setFrame(dateView(sharedInstance()), CGRectMake(0, y, screen.width, screen.height));
}

id controllerInit(id self, SEL cmd) {
    id result = stockControllerInit(self, cmd);
    sharedLSController = result;
    return result;
}

void controllerLoadView(id self, SEL cmd) {
    stockControllerLoadView(self, cmd);
    hideView(ui::view(self));
}

// Whenever the host refreshes its hidden date view (every minute, and after a
// new wallpaper), the panel takes its colour, unless the user keeps their own.
void updateView(id self, SEL cmd) {
    stockUpdateView(self, cmd);
    followLegibilityColour(self, sharedInstance());
}

id nineInit(id self, SEL cmd) {
    id result = stockNineInit(self, cmd);
    nineController = result;
    return result;
}

}  // namespace

constinit const Hook kDateViewLayoutSubviews =
    Hook::of<&layoutSubviews, &stockLayoutSubviews>("SBFLockScreenDateView", "layoutSubviews");
constinit const Hook kDateViewSetFrame = Hook::of<&setFrame, &stockSetFrame>("SBFLockScreenDateView", "setFrame:");
constinit const Hook kDateControllerInit =
    Hook::of<&controllerInit, &stockControllerInit>("SBLockScreenDateViewController", "init");
constinit const Hook kDateControllerLoadView =
    Hook::of<&controllerLoadView, &stockControllerLoadView>("SBLockScreenDateViewController", "loadView");
constinit const Hook kDateControllerUpdateView =
    Hook::of<&updateView, &stockUpdateView>("SBLockScreenDateViewController", "_updateView");
constinit const Hook kNineControllerInit = Hook::of<&nineInit, &stockNineInit>("TCBackgroundViewController", "init");

}  // namespace orvelle
