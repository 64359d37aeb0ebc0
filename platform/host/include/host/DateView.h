// The stock lock-screen date and time: the view (SBFLockScreenDateView, a
// UIView: layoutSubviews, setFrame:), its controller
// (SBLockScreenDateViewController, a UIViewController: init, loadView) and the
// legibility settings (_UILegibilitySettings) that tell the colour of
// lock-screen text on the current wallpaper.
#pragma once

#include "foundation/Objects.h"

namespace host {

// _UILegibilitySettings
inline constinit const rt::Msg<id()> primaryColor{"primaryColor"};
inline constinit const rt::Msg<void(id)> setPrimaryColor{"setPrimaryColor:"};

// SBLockScreenDateViewController
inline constinit const rt::Msg<id()> legibilitySettings{"legibilitySettings"};
// Refreshes the date view's text and colour.
inline constinit const rt::Msg<void()> _updateView{"_updateView"};

}  // namespace host
