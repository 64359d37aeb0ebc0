// The main screen: bounds in points and the scale.
#pragma once

#include "uikit/SharedMessages.h"
#include "uikit/UIView.h"

class UIScreen : public rt::Object {};

namespace ui {

// bounds (uikit/UIView.h) and scale (uikit/SharedMessages.h) answer the device's.
inline constinit const rt::ClassMsg<id()> mainScreen{"UIScreen", "mainScreen"};
inline constinit const rt::Msg<double()> nativeScale{"nativeScale"};

inline CGRect screenBounds() { return bounds(mainScreen()); }
}  // namespace ui
