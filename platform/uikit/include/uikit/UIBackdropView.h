// The blurred backdrop view (_UIBackdropView): a plain view with a style number.
#pragma once

#include "uikit/UIView.h"

class UIBackdropView : public UIView {
public:
    int privateStyle_ = 0;
};

// Methods: initWithPrivateStyle: (id(int): frame zero), initWithFrame:,
// style (int()).

namespace ui {
inline id makeBackdropView(int style) {
    return rt::send<id(int)>(rt::alloc(rt::objc_getClass("_UIBackdropView")), "initWithPrivateStyle:", style);
}
}  // namespace ui
