// The blurred backdrop view (_UIBackdropView): a plain view with a style number.
#pragma once

#include "uikit/UIView.h"

class UIBackdropView : public UIView {
public:
    int privateStyle_ = 0;
};

namespace ui {

// A zero frame.
inline constinit const rt::Msg<id(int)> initWithPrivateStyle{"initWithPrivateStyle:"};
inline constinit const rt::Msg<int()> style{"style"};

inline id makeBackdropView(int privateStyle) {
    return initWithPrivateStyle(rt::alloc(rt::objc_getClass("_UIBackdropView")), privateStyle);
}
}  // namespace ui
