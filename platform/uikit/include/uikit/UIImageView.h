// Image views: show one image scaled into their bounds.
#pragma once

#include "uikit/UIView.h"

class UIImageView : public UIView {
public:
    id image_;
    long contentMode_ = 0;  // 0 scale to fill
};

// Methods: initWithImage: (id(id): the frame takes the image's size), image,
// setImage: (id), contentMode, setContentMode: (long).

namespace ui {
inline id makeImageView(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UIImageView"), frame); }
inline id image(const id& v) { return rt::send<id()>(v, "image"); }
inline void setImage(const id& v, const id& img) { rt::send<void(id)>(v, "setImage:", img); }
}  // namespace ui
