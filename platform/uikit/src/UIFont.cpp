#include "uikit/UIFont.h"

#include "Internal.h"

namespace ui {

namespace {

id make(std::string name, double size) {
    auto font = rt::make<UIFont>("UIFont");
    font->name = std::move(name);
    font->size = size;
    return font;
}

id fontWithNameImp(id, SEL, id name, double size) {
    // The device answers nothing for an unknown name; here every name is known.
    if (!isString(name)) return {};
    return make(str(name), size);
}
id systemFontImp(id, SEL, double size) { return make(".SFUIText", size); }
id boldSystemFontImp(id, SEL, double size) { return make(".SFUIText-Semibold", size); }
id fontNameImp(id self, SEL cmd) { return NSStr(rt::state<UIFont>(self, cmd).name); }
double pointSizeImp(id self, SEL cmd) { return rt::state<UIFont>(self, cmd).size; }
bool isEqualImp(id self, SEL cmd, id other) {
    auto* o = dynamic_cast<UIFont*>(other.get());
    auto& f = rt::state<UIFont>(self, cmd);
    return o && o->name == f.name && o->size == f.size;
}

}  // namespace

namespace detail {
void registerFontClass() {
    rt::Class* cls = registerClass<UIFont>("UIFont", rt::NSObjectClass());
    rt::defineClassMethod(cls, fontWithName_size, &fontWithNameImp);
    rt::defineClassMethod(cls, systemFontOfSize, &systemFontImp);
    rt::defineClassMethod(cls, boldSystemFontOfSize, &boldSystemFontImp);
    rt::defineMethod(cls, fontName, &fontNameImp);
    rt::defineMethod(cls, pointSize, &pointSizeImp);
    rt::defineMethod(cls, isEqual, &isEqualImp);
}
}  // namespace detail

}  // namespace ui
