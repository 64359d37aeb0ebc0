#include "uikit/UIFont.h"

#include "Internal.h"

namespace ui {

using detail::state;

namespace {

id make(std::string name, double size) {
    id object = rt::objc_getClass("UIFont")->alloc();
    auto& f = state<UIFont>(object, "fontWithName:size:");
    f.name = std::move(name);
    f.size = size;
    return object;
}

id fontWithNameImp(id, SEL, id name, double size) {
    // The device answers nothing for an unknown name; here every name is known.
    if (!isString(name)) return {};
    return make(str(name), size);
}
id systemFont(id, SEL, double size) { return make(".SFUIText", size); }
id boldSystemFont(id, SEL, double size) { return make(".SFUIText-Semibold", size); }
id fontNameImp(id self, SEL) { return NSStr(state<UIFont>(self, "fontName").name); }
double pointSizeImp(id self, SEL) { return state<UIFont>(self, "pointSize").size; }
bool isEqual(id self, SEL, id other) {
    auto* o = dynamic_cast<UIFont*>(other.get());
    auto& f = state<UIFont>(self, "isEqual:");
    return o && o->name == f.name && o->size == f.size;
}

}  // namespace

namespace detail {
void registerFontClass() {
    rt::Class* cls = registerClass<UIFont>("UIFont", rt::NSObjectClass());
    rt::defineClassMethod(cls, "fontWithName:size:", &fontWithNameImp);
    rt::defineClassMethod(cls, "systemFontOfSize:", &systemFont);
    rt::defineClassMethod(cls, "boldSystemFontOfSize:", &boldSystemFont);
    rt::defineMethod(cls, "fontName", &fontNameImp);
    rt::defineMethod(cls, "pointSize", &pointSizeImp);
    rt::defineMethod(cls, "isEqual:", &isEqual);
}
}  // namespace detail

}  // namespace ui
