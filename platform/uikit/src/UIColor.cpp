#include "uikit/UIColor.h"

#include <algorithm>

#include "Internal.h"

namespace ui {

using detail::state;

namespace {

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

id colorWithRGBAImp(id, SEL, double r, double g, double b, double a) { return makeColor(r, g, b, a); }
id colorWithWhiteImp(id, SEL, double w, double a) { return makeColor(w, w, w, a); }
id white(id, SEL) { return makeColor(1, 1, 1, 1); }
id black(id, SEL) { return makeColor(0, 0, 0, 1); }
id blue(id, SEL) { return makeColor(0, 0, 1, 1); }
id red(id, SEL) { return makeColor(1, 0, 0, 1); }
id green(id, SEL) { return makeColor(0, 1, 0, 1); }
id gray(id, SEL) { return makeColor(0.5, 0.5, 0.5, 1); }
id clear(id, SEL) { return makeColor(0, 0, 0, 0); }

bool isEqual(id self, SEL, id other) { return colorsEqual(self, other); }
CGColorRef cgColorImp(id self, SEL) {
    auto& c = state<UIColor>(self, "CGColor");
    return CGColorCreateRGBA(c.red, c.green, c.blue, c.alpha);
}
bool getRGBA(id self, SEL, double* r, double* g, double* b, double* a) {
    auto& c = state<UIColor>(self, "getRed:green:blue:alpha:");
    if (r) *r = c.red;
    if (g) *g = c.green;
    if (b) *b = c.blue;
    if (a) *a = c.alpha;
    return true;
}
bool getWhite(id self, SEL, double* w, double* a) {
    auto& c = state<UIColor>(self, "getWhite:alpha:");
    if (w) *w = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
    if (a) *a = c.alpha;
    return true;
}
id withAlpha(id self, SEL, double a) {
    auto& c = state<UIColor>(self, "colorWithAlphaComponent:");
    return makeColor(c.red, c.green, c.blue, a);
}
id description(id self, SEL) {
    auto& c = state<UIColor>(self, "description");
    return NSStr(format("UIColor RGBA %g %g %g %g", c.red, c.green, c.blue, c.alpha));
}

}  // namespace

id makeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    id object = rt::objc_getClass("UIColor")->alloc();
    auto& c = state<UIColor>(object, "makeColor");
    c.red = r;
    c.green = g;
    c.blue = b;
    c.alpha = clamp01(a);
    return object;
}

bool colorsEqual(const id& a, const id& b) {
    if (!a || !b) return !a && !b;
    auto* x = dynamic_cast<UIColor*>(a.get());
    auto* y = dynamic_cast<UIColor*>(b.get());
    if (!x || !y) return a == b;
    return x->red == y->red && x->green == y->green && x->blue == y->blue && x->alpha == y->alpha;
}

namespace detail {
void registerColorClass() {
    rt::Class* cls = registerClass<UIColor>("UIColor", rt::NSObjectClass());
    rt::defineClassMethod(cls, "colorWithRed:green:blue:alpha:", &colorWithRGBAImp);
    rt::defineClassMethod(cls, "colorWithWhite:alpha:", &colorWithWhiteImp);
    rt::defineClassMethod(cls, "whiteColor", &white);
    rt::defineClassMethod(cls, "blackColor", &black);
    rt::defineClassMethod(cls, "blueColor", &blue);
    rt::defineClassMethod(cls, "redColor", &red);
    rt::defineClassMethod(cls, "greenColor", &green);
    rt::defineClassMethod(cls, "grayColor", &gray);
    rt::defineClassMethod(cls, "clearColor", &clear);
    rt::defineMethod(cls, "isEqual:", &isEqual);
    rt::defineMethod(cls, "CGColor", &cgColorImp);
    rt::defineMethod(cls, "getRed:green:blue:alpha:", &getRGBA);
    rt::defineMethod(cls, "getWhite:alpha:", &getWhite);
    rt::defineMethod(cls, "colorWithAlphaComponent:", &withAlpha);
    rt::defineMethod(cls, "description", &description);
}
}  // namespace detail

}  // namespace ui
