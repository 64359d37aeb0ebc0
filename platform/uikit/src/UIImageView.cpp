#include "uikit/UIImageView.h"

#include "Internal.h"
#include "uikit/UIImage.h"

namespace ui {

namespace {
id initWithImageImp(id self, SEL, id img) {
    id result = initWithFrame(self, CGRect{{0, 0}, img ? size(img) : CGSizeZero});
    setImage(result, img);
    return result;
}
id imageImp(id self, SEL cmd) { return rt::state<UIImageView>(self, cmd).image_; }
void setImageImp(id self, SEL cmd, id img) { rt::state<UIImageView>(self, cmd).image_ = img; }
long contentModeImp(id self, SEL cmd) { return rt::state<UIImageView>(self, cmd).contentMode_; }
void setContentModeImp(id self, SEL cmd, long m) { rt::state<UIImageView>(self, cmd).contentMode_ = m; }
}  // namespace

namespace detail {
void registerImageViewClass() {
    rt::Class* cls = registerClass<UIImageView>("UIImageView", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, initWithImage, &initWithImageImp);
    rt::defineMethod(cls, image, &imageImp);
    rt::defineMethod(cls, setImage, &setImageImp);
    rt::defineMethod(cls, contentMode, &contentModeImp);
    rt::defineMethod(cls, setContentMode, &setContentModeImp);
}
}  // namespace detail

}  // namespace ui
