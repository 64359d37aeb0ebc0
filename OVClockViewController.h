// The one panel controller: it owns the replacement lock-screen clock panel
// (time, overlay time, date and subtitle labels, the weather image and lines,
// the two draggable containers and the pass-through host view holding them)
// and the weather data last captured. It derives from UIViewController, whose
// own view it never loads.
#pragma once

#include "uikit/UIViewController.h"

class OVClockViewController : public UIViewController {
public:
    id timeLabel_;             // the time with its colon transparent
    id fakeTimeLabel_;         // the same time above it, fading to flash the colon
    id dateLabel_;
    id cusLabel_;              // the subtitle ("subTitle")
    id conditionsView_;        // the weather condition image
    id locationLabelView_;
    id conditionsLabelView_;
    id temperatureLabelView_;
    int style_ = 0;
    id weatherImage_;          // the copy properties hold their own copies
    id temperatureString_;
    id locationString_;
    id conditionsString_;
    id locFont_;
    id condFont_;
    id tempFont_;
    id clockView_;             // OVClockDragView
    id weatherView_;           // OVClockDragView
    id dateView_;
};

namespace orvelle {

// Made at the first call, never released.
inline constinit const rt::ClassMsg<id()> sharedInstance{"OVClockViewController", "sharedInstance"};
// Builds the whole panel anew in the current style (stopping the refresh
// timers of the labels it replaces).
inline constinit const rt::Msg<void()> setClockAccordingToStyle{"setClockAccordingToStyle"};
// Copies the weather data into the weather views.
inline constinit const rt::Msg<void()> updateNow{"updateNow"};
// Where the notification list may begin.
inline constinit const rt::Msg<double()> suggestedNotificationViewFrame{"suggestedNotificationViewFrame"};
// Fade six labels out or in over 0.3 s (the page controller's fade its blocks).
inline constinit const rt::Msg<void()> hide{"hide"};
inline constinit const rt::Msg<void()> show{"show"};
// Recolours the seven text labels (nothing: unchanged).
inline constinit const rt::Msg<void(id colour)> adjustColor{"adjustColor:"};
// Black for YES, white for NO.
inline constinit const rt::Msg<void(bool light)> adjustIfLightColor{"adjustIfLightColor:"};

// Properties: the weather data and fonts are copied; the containers and the
// pass-through host view are held.
inline constinit const rt::Msg<id()> weatherImage{"weatherImage"};
inline constinit const rt::Msg<void(id)> setWeatherImage{"setWeatherImage:"};
inline constinit const rt::Msg<id()> temperatureString{"temperatureString"};
inline constinit const rt::Msg<void(id)> setTemperatureString{"setTemperatureString:"};
inline constinit const rt::Msg<id()> locationString{"locationString"};
inline constinit const rt::Msg<void(id)> setLocationString{"setLocationString:"};
inline constinit const rt::Msg<id()> conditionsString{"conditionsString"};
inline constinit const rt::Msg<void(id)> setConditionsString{"setConditionsString:"};
inline constinit const rt::Msg<id()> locFont{"locFont"};
inline constinit const rt::Msg<void(id)> setLocFont{"setLocFont:"};
inline constinit const rt::Msg<id()> condFont{"condFont"};
inline constinit const rt::Msg<void(id)> setCondFont{"setCondFont:"};
inline constinit const rt::Msg<id()> tempFont{"tempFont"};
inline constinit const rt::Msg<void(id)> setTempFont{"setTempFont:"};
inline constinit const rt::Msg<id()> clockView{"clockView"};
inline constinit const rt::Msg<void(id)> setClockView{"setClockView:"};
inline constinit const rt::Msg<id()> weatherView{"weatherView"};
inline constinit const rt::Msg<void(id)> setWeatherView{"setWeatherView:"};
inline constinit const rt::Msg<id()> dateView{"dateView"};
inline constinit const rt::Msg<void(id)> setDateView{"setDateView:"};
inline constinit const rt::Msg<int()> style{"style"};
inline constinit const rt::Msg<void(int)> setStyle{"setStyle:"};

// Registers the panel's classes (the controller, the containers, the label
// operations); later calls do nothing.
void registerClockViewController();
// The build, as a C++ call (the body of setClockAccordingToStyle).
void buildPanel(const id& controller);
}  // namespace orvelle
