#include "OVClockDragView.h"

#include <algorithm>

#include "Settings.h"
#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "uikit/UIKit.h"

namespace orvelle {

namespace {

constexpr double kEdgeInset = 1.0;

std::shared_ptr<OVClockDragView> container(const id& self) { return rt::cast<OVClockDragView>(self); }

id backgroundViewImp(id self, SEL) {
    auto v = container(self);
    return v ? v->backgroundView_ : id{};
}
void setBackgroundViewImp(id self, SEL, id view) {
    if (auto v = container(self)) v->backgroundView_ = view;
}
bool canBeDragedImp(id self, SEL) {
    auto v = container(self);
    return v && v->canBeDraged_;
}
void setCanBeDragedImp(id self, SEL, bool on) {
    if (auto v = container(self)) v->canBeDraged_ = on;
}
bool isWeatherContainerViewImp(id self, SEL) {
    auto v = container(self);
    return v && v->isWeatherContainerView_;
}
void setIsWeatherContainerViewImp(id self, SEL, bool on) {
    if (auto v = container(self)) v->isWeatherContainerView_ = on;
}

void setGestureImp(id self, SEL) {
    ui::addGestureRecognizer(self, ui::makeGestureRecognizer("UILongPressGestureRecognizer", self, longPress.sel()));
    ui::addGestureRecognizer(self, ui::makeGestureRecognizer("UIPanGestureRecognizer", self, panView.sel()));
    ui::setHidden(backgroundView(self), true);
}

// Writes the top-left corner, in the superview's coordinates, as the only two
// entries of the container's position file, replacing it whole and atomically.
void savePosition(const id& self) {
    bool weather = isWeatherContainerView(self);
    CGRect frame = ui::frame(self);
    id record = NSDictionaryNew();
    auto dictionary = rt::cast<NSDictionary>(record);
    dictionary->setObject(NSStr(ns::formatF(frame.origin.x)), weather ? "weatherX" : "clockX");
    dictionary->setObject(NSStr(ns::formatF(frame.origin.y)), weather ? "weatherY" : "clockY");
    const char* path = weather ? kWeatherPositionFile : kClockPositionFile;
    if (!ns::writeToFile(record, path, true)) NSLog("OVS: could not save the block's position to %s", path);
}

void longPressImp(id self, SEL, id recognizer) {
    // Read at every press, so "lockLoc" applies without a restart.
    if (boolEntry(readSettings(), "lockLoc")) return;
    // Only the lift after a long press switches.
    if (ui::state(recognizer) != UIGestureRecognizerStateEnded) return;
    if (!canBeDraged(self)) {
        setCanBeDraged(self, true);
        ui::setAlpha(self, 0.5);
        return;
    }
    setCanBeDraged(self, false);
    ui::setAlpha(self, 1.0);
    savePosition(self);
}

void panViewImp(id self, SEL, id recognizer) {
    if (!canBeDraged(self)) return;
    id superview = ui::superview(self);
    ui::bringSubviewToFront(superview, self);
    long state = ui::state(recognizer);
    if (state != UIGestureRecognizerStateBegan && state != UIGestureRecognizerStateChanged) return;
    CGPoint t = ui::translationInView(recognizer, superview);
    CGRect bounds = ui::bounds(self);
    CGPoint c = ui::center(self);
    double centreY = ui::frame(self).origin.y + bounds.size.height / 2;
    double middle = ui::screenBounds().size.height / 2;
    // A step that starts in the upper half moves freely; one that starts on or
    // below the middle line pulls the bottom edge up onto it. Either way the
    // centre stays where a long press still reaches the block.
    CGPoint next = centreY < middle ? CGPointMake(c.x + t.x, c.y + t.y)
                                    : CGPointMake(c.x + t.x, middle - bounds.size.height / 2);
    ui::setCenter(self, reachableCentre(superview, next));
    ui::setTranslation_inView(recognizer, CGPointZero, superview);
}

void adjustHeightImp(id self, SEL, double y) {
    CGRect frame = ui::frame(self);
    CGRect bounds = ui::bounds(self);
    ui::setFrame(self, CGRectMake(frame.origin.x, y, bounds.size.width, bounds.size.height));
}

}  // namespace

CGPoint reachableCentre(const id& hostView, CGPoint centre) {
    if (!hostView) return centre;
    CGRect bounds = ui::bounds(hostView);
    CGRect screen = ui::convertRect_fromView(hostView, ui::screenBounds(), id{});
    double left = std::max(CGRectGetMinX(bounds), CGRectGetMinX(screen));
    double top = std::max(CGRectGetMinY(bounds), CGRectGetMinY(screen));
    // The far edges are outside (a touch there misses), so the centre stays a
    // point short of them.
    double right = std::min(CGRectGetMaxX(bounds), CGRectGetMaxX(screen)) - kEdgeInset;
    double bottom = std::min(CGRectGetMaxY(bounds), CGRectGetMaxY(screen)) - kEdgeInset;
    if (right < left || bottom < top) return centre;  // nowhere within reach: leave it be
    return CGPointMake(std::clamp(centre.x, left, right), std::clamp(centre.y, top, bottom));
}

void registerClockDragView() {
    static bool done = [] {
        ui::registerUIKitClasses();
        rt::Class* cls =
            rt::objc_registerClass("OVClockDragView", rt::objc_getClass("UIView"), rt::factoryFor<OVClockDragView>());
        rt::defineMethod(cls, backgroundView, &backgroundViewImp);
        rt::defineMethod(cls, setBackgroundView, &setBackgroundViewImp);
        rt::defineMethod(cls, canBeDraged, &canBeDragedImp);
        rt::defineMethod(cls, setCanBeDraged, &setCanBeDragedImp);
        rt::defineMethod(cls, isWeatherContainerView, &isWeatherContainerViewImp);
        rt::defineMethod(cls, setIsWeatherContainerView, &setIsWeatherContainerViewImp);
        rt::defineMethod(cls, setGesture, &setGestureImp);
        rt::defineMethod(cls, longPress, &longPressImp);
        rt::defineMethod(cls, panView, &panViewImp);
        rt::defineMethod(cls, adjustHeight, &adjustHeightImp);
        return true;
    }();
    (void)done;
}

}  // namespace orvelle
