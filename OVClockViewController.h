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

// Class method: sharedInstance (id()): made at the first call, never released.
// Methods:
//   setClockAccordingToStyle: builds the whole panel anew in the current style
//     (stopping the refresh timers of the labels it replaces);
//   updateNow: copies the weather data into the weather views;
//   suggestedNotificationViewFrame (double()): where the notification list may begin;
//   hide, show: fade six labels out or in over 0.3 s;
//   adjustColor: (void(id)): recolours the seven text labels (nothing: unchanged);
//   adjustIfLightColor: (void(bool)): black for YES, white for NO;
//   properties: weatherImage, temperatureString, locationString, conditionsString,
//     locFont, condFont, tempFont (copy); clockView, weatherView, dateView (strong);
//     style (int).

namespace orvelle {
// Registers the panel's classes (the controller, the containers, the label
// operations); later calls do nothing.
void registerClockViewController();
// The build, as a C++ call (the body of setClockAccordingToStyle).
void buildPanel(const id& controller);
}  // namespace orvelle
