// The main lock-screen page drives the panel: it builds it, keeps it on top and
// coloured, fades it, and pushes captured weather into it.
#pragma once

#include "Tweak/HookTable.h"
#include "foundation/Objects.h"

namespace orvelle {

extern const Hook kPageLoadView;
extern const Hook kPageViewWillAppear;
extern const Hook kPageViewDidLoad;
extern const Hook kPageViewDidLayoutSubviews;

// Added to the page controller, with hide and show (OVClockViewController.h),
// which fade the panel's two blocks.
// Pushes the captured weather into the panel.
inline constinit const rt::Msg<void()> update{"update"};
inline constinit const rt::Msg<id()> orvelleClockViewController{"orvelleClockViewController"};
inline constinit const rt::Msg<void(id)> setOrvelleClockViewController{"setOrvelleClockViewController:"};
inline constinit const rt::Msg<id()> weatherController{"weatherController"};
inline constinit const rt::Msg<void(id)> setWeatherController{"setWeatherController:"};
// Nine's background controller while the page hosts it, else nothing.
inline constinit const rt::Msg<id()> fuck{"fuck"};
inline constinit const rt::Msg<void(id)> setFuck{"setFuck:"};

// Adds hide, show, update and the three properties to the page controller.
void addPageMethods();

}  // namespace orvelle
