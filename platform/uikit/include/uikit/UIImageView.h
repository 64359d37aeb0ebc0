// Image views: show one image scaled into their bounds.
#pragma once

#include "uikit/UIView.h"

class UIImageView : public UIView {
public:
    id image_;
    long contentMode_ = 0;  // 0 scale to fill
};

namespace ui {

// The frame takes the image's size.
inline constinit const rt::Msg<id(id)> initWithImage{"initWithImage:"};
inline constinit const rt::Msg<id()> image{"image"};
inline constinit const rt::Msg<void(id)> setImage{"setImage:"};
inline constinit const rt::Msg<long()> contentMode{"contentMode"};
inline constinit const rt::Msg<void(long)> setContentMode{"setContentMode:"};

inline id makeImageView(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UIImageView"), frame); }
}  // namespace ui
