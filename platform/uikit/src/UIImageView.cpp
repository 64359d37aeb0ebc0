#include "uikit/UIImageView.h"

#include "Internal.h"
#include "uikit/UIImage.h"

namespace ui {

using detail::state;

namespace {
id initWithImageImp(id self, SEL, id img) {
    CGSize size = img ? imageSize(img) : CGSizeZero;
    id result = rt::send<id(CGRect)>(self, "initWithFrame:", CGRect{{0, 0}, size});
    rt::send<void(id)>(result, "setImage:", img);
    return result;
}
id imageImp(id self, SEL) { return state<UIImageView>(self, "image").image_; }
void setImageImp(id self, SEL, id img) { state<UIImageView>(self, "setImage:").image_ = img; }
long contentModeImp(id self, SEL) { return state<UIImageView>(self, "contentMode").contentMode_; }
void setContentModeImp(id self, SEL, long m) { state<UIImageView>(self, "setContentMode:").contentMode_ = m; }
}  // namespace

namespace detail {
void registerImageViewClass() {
    rt::Class* cls = registerClass<UIImageView>("UIImageView", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, "initWithImage:", &initWithImageImp);
    rt::defineMethod(cls, "image", &imageImp);
    rt::defineMethod(cls, "setImage:", &setImageImp);
    rt::defineMethod(cls, "contentMode", &contentModeImp);
    rt::defineMethod(cls, "setContentMode:", &setContentModeImp);
}
}  // namespace detail

}  // namespace ui
