// The main screen: bounds in points and the scale.
#pragma once

#include "graphics/Geometry.h"
#include "foundation/Objects.h"

class UIScreen : public rt::Object {};

// Class method: mainScreen. Methods: bounds (CGRect()), scale, nativeScale (double()).

namespace ui {
inline id mainScreen() { return rt::sendClass<id()>(rt::objc_getClass("UIScreen"), "mainScreen"); }
inline CGRect screenBounds() { return rt::send<CGRect()>(mainScreen(), "bounds"); }
}  // namespace ui
