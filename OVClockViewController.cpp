#include "OVClockViewController.h"

#include <array>

#include "OVClockDragView.h"
#include "Settings.h"
#include "updateLabel.h"
#include "uikit/UIKit.h"

namespace orvelle {

namespace {

using Panel = OVClockViewController;

constexpr double kFadeDuration = 0.3;
constexpr double kListGap = 10.0;

// The one controller of the process, held for its whole life.
id sharedInstanceClock;

std::shared_ptr<Panel> panelOf(const id& self) { return rt::cast<Panel>(self); }

id sharedInstanceImp(id self, SEL) {
    if (!sharedInstanceClock) {
        rt::Class* cls = rt::asClass(self);
        sharedInstanceClock = rt::allocInit(cls ? cls : rt::objc_getClass("OVClockViewController"));
    }
    return sharedInstanceClock;
}

template <id Panel::*Field>
id getField(id self, SEL) {
    auto p = panelOf(self);
    return p ? (*p).*Field : id{};
}
template <id Panel::*Field>
void setStrong(id self, SEL, id value) {
    if (auto p = panelOf(self)) (*p).*Field = value;
}
// Its own copy, so a caller changing its object later does not reach the panel.
template <id Panel::*Field>
void setCopy(id self, SEL, id value) {
    if (auto p = panelOf(self)) (*p).*Field = value ? value->copyObject() : id{};
}
int styleImp(id self, SEL) {
    auto p = panelOf(self);
    return p ? p->style_ : 0;
}
void setStyleImp(id self, SEL, int value) {
    if (auto p = panelOf(self)) p->style_ = value;
}

void setClockAccordingToStyleImp(id self, SEL) { buildPanel(self); }

void updateNowImp(id self, SEL) {
    auto p = panelOf(self);
    if (!p) return;
    ui::setImage(p->conditionsView_, p->weatherImage_);
    ui::setText(p->locationLabelView_, p->locationString_);
    ui::setText(p->conditionsLabelView_, p->conditionsString_);
    ui::setText(p->temperatureLabelView_, p->temperatureString_);
}

double bottomOf(const id& view) { return ui::frame(view).origin.y + ui::bounds(view).size.height; }

double suggestedNotificationViewFrameImp(id self, SEL) {
    auto p = panelOf(self);
    double clockBottom = p ? bottomOf(p->clockView_) : 0;
    double weatherBottom = p ? bottomOf(p->weatherView_) : 0;
    if (settingOn("hideWea")) return clockBottom + kListGap;
    return (clockBottom > weatherBottom ? clockBottom : weatherBottom) + kListGap;
}

// The six labels the panel's own hide and show fade (not the image, not the overlay).
std::array<id, 6> fadedLabels(const Panel& p) {
    return {p.locationLabelView_, p.conditionsLabelView_, p.temperatureLabelView_,
            p.timeLabel_,         p.dateLabel_,           p.cusLabel_};
}

void fadeLabels(const id& self, double alpha) {
    auto p = panelOf(self);
    if (!p) return;
    auto labels = fadedLabels(*p);
    ui::animateWithDuration_animations(kFadeDuration, [&labels, alpha] {
        for (const id& label : labels) ui::setAlpha(label, alpha);
    });
}
void hideImp(id self, SEL) { fadeLabels(self, 0.0); }
void showImp(id self, SEL) { fadeLabels(self, 1.0); }

void adjustColorImp(id self, SEL, id colour) {
    auto p = panelOf(self);
    // No colour to pass (the lock screen's legibility not known yet) keeps the
    // text readable as it is rather than falling back to the default black.
    if (!p || !colour) return;
    for (const id& label : {p->locationLabelView_, p->conditionsLabelView_, p->temperatureLabelView_, p->timeLabel_,
                            p->fakeTimeLabel_, p->dateLabel_, p->cusLabel_})
        ui::setTextColor(label, colour);
}

void adjustIfLightColorImp(id self, SEL, bool light) { adjustColor(self, light ? ui::blackColor() : ui::whiteColor()); }

}  // namespace

void registerClockViewController() {
    static bool done = [] {
        ui::registerUIKitClasses();
        registerLabelUpdates();
        registerClockDragView();
        rt::Class* cls = rt::objc_registerClass("OVClockViewController", rt::objc_getClass("UIViewController"),
                                                rt::factoryFor<OVClockViewController>());
        rt::defineClassMethod(cls, sharedInstance, &sharedInstanceImp);
        rt::defineMethod(cls, suggestedNotificationViewFrame, &suggestedNotificationViewFrameImp);
        rt::defineMethod(cls, setClockAccordingToStyle, &setClockAccordingToStyleImp);
        rt::defineMethod(cls, updateNow, &updateNowImp);
        rt::defineMethod(cls, adjustIfLightColor, &adjustIfLightColorImp);
        rt::defineMethod(cls, adjustColor, &adjustColorImp);
        rt::defineMethod(cls, hide, &hideImp);
        rt::defineMethod(cls, show, &showImp);
        rt::defineMethod(cls, weatherImage, &getField<&Panel::weatherImage_>);
        rt::defineMethod(cls, setWeatherImage, &setCopy<&Panel::weatherImage_>);
        rt::defineMethod(cls, temperatureString, &getField<&Panel::temperatureString_>);
        rt::defineMethod(cls, setTemperatureString, &setCopy<&Panel::temperatureString_>);
        rt::defineMethod(cls, locationString, &getField<&Panel::locationString_>);
        rt::defineMethod(cls, setLocationString, &setCopy<&Panel::locationString_>);
        rt::defineMethod(cls, conditionsString, &getField<&Panel::conditionsString_>);
        rt::defineMethod(cls, setConditionsString, &setCopy<&Panel::conditionsString_>);
        rt::defineMethod(cls, locFont, &getField<&Panel::locFont_>);
        rt::defineMethod(cls, setLocFont, &setCopy<&Panel::locFont_>);
        rt::defineMethod(cls, condFont, &getField<&Panel::condFont_>);
        rt::defineMethod(cls, setCondFont, &setCopy<&Panel::condFont_>);
        rt::defineMethod(cls, tempFont, &getField<&Panel::tempFont_>);
        rt::defineMethod(cls, setTempFont, &setCopy<&Panel::tempFont_>);
        rt::defineMethod(cls, clockView, &getField<&Panel::clockView_>);
        rt::defineMethod(cls, setClockView, &setStrong<&Panel::clockView_>);
        rt::defineMethod(cls, weatherView, &getField<&Panel::weatherView_>);
        rt::defineMethod(cls, setWeatherView, &setStrong<&Panel::weatherView_>);
        rt::defineMethod(cls, dateView, &getField<&Panel::dateView_>);
        rt::defineMethod(cls, setDateView, &setStrong<&Panel::dateView_>);
        rt::defineMethod(cls, style, &styleImp);
        rt::defineMethod(cls, setStyle, &setStyleImp);
        return true;
    }();
    (void)done;
}

namespace {
// The panel's classes exist once the library is loaded, whether or not the
// tweak goes on to install its hooks (at 201).
__attribute__((constructor(200))) void registerPanelClasses() { registerClockViewController(); }
}  // namespace

}  // namespace orvelle
