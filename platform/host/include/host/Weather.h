// The system weather widget: its lock-screen controller
// (WALockscreenWidgetViewController, a UIViewController: loadView), the view it
// fills (WATodayPadView, a UIView) and the view's style with its layout format
// (WATodayPadViewStyle).
#pragma once

#include "foundation/Objects.h"

namespace host {

// WATodayPadViewStyle
inline constinit const rt::Msg<unsigned long()> format{"format"};
inline constinit const rt::Msg<void(unsigned long)> setFormat{"setFormat:"};

// WATodayPadView: the widget calls the setters in this order at every refresh,
// the conditions line last.
inline constinit const rt::Msg<void(id)> setTemperature{"setTemperature:"};
inline constinit const rt::Msg<void(id)> setLocationName{"setLocationName:"};
inline constinit const rt::Msg<void(id)> setConditionsImage{"setConditionsImage:"};
inline constinit const rt::Msg<void(id)> setConditionsLine{"setConditionsLine:"};
inline constinit const rt::Msg<id()> temperature{"temperature"};
inline constinit const rt::Msg<id()> locationName{"locationName"};
inline constinit const rt::Msg<id()> conditionsImage{"conditionsImage"};
inline constinit const rt::Msg<id()> conditionsLine{"conditionsLine"};

// WALockscreenWidgetViewController: while it is a child controller it refreshes
// its view this often.
inline constinit const rt::Msg<void(double seconds)> setUpdateInterval{"setUpdateInterval:"};
inline constinit const rt::Msg<double()> updateInterval{"updateInterval"};

}  // namespace host
