#include "uikit/UIColor.h"

#include <algorithm>

#include "Internal.h"

namespace ui {

namespace {

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

id colorWithRGBAImp(id, SEL, double r, double g, double b, double a) { return makeColor(r, g, b, a); }
id colorWithWhiteImp(id, SEL, double w, double a) { return makeColor(w, w, w, a); }
id whiteImp(id, SEL) { return makeColor(1, 1, 1, 1); }
id blackImp(id, SEL) { return makeColor(0, 0, 0, 1); }
id blueImp(id, SEL) { return makeColor(0, 0, 1, 1); }
id redImp(id, SEL) { return makeColor(1, 0, 0, 1); }
id greenImp(id, SEL) { return makeColor(0, 1, 0, 1); }
id grayImp(id, SEL) { return makeColor(0.5, 0.5, 0.5, 1); }
id clearImp(id, SEL) { return makeColor(0, 0, 0, 0); }

bool isEqualImp(id self, SEL, id other) { return colorsEqual(self, other); }
CGColorRef cgColorImp(id self, SEL cmd) {
    auto& c = rt::state<UIColor>(self, cmd);
    return CGColorCreateRGBA(c.red, c.green, c.blue, c.alpha);
}
bool getRGBAImp(id self, SEL cmd, double* r, double* g, double* b, double* a) {
    auto& c = rt::state<UIColor>(self, cmd);
    if (r) *r = c.red;
    if (g) *g = c.green;
    if (b) *b = c.blue;
    if (a) *a = c.alpha;
    return true;
}
bool getWhiteImp(id self, SEL cmd, double* w, double* a) {
    auto& c = rt::state<UIColor>(self, cmd);
    if (w) *w = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
    if (a) *a = c.alpha;
    return true;
}
id withAlphaImp(id self, SEL cmd, double a) {
    auto& c = rt::state<UIColor>(self, cmd);
    return makeColor(c.red, c.green, c.blue, a);
}
id descriptionImp(id self, SEL cmd) {
    auto& c = rt::state<UIColor>(self, cmd);
    return NSStr(format("UIColor RGBA %g %g %g %g", c.red, c.green, c.blue, c.alpha));
}

}  // namespace

id makeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    auto color = rt::make<UIColor>("UIColor");
    color->red = r;
    color->green = g;
    color->blue = b;
    color->alpha = clamp01(a);
    return color;
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
    rt::defineClassMethod(cls, colorWithRed_green_blue_alpha, &colorWithRGBAImp);
    rt::defineClassMethod(cls, colorWithWhite_alpha, &colorWithWhiteImp);
    rt::defineClassMethod(cls, whiteColor, &whiteImp);
    rt::defineClassMethod(cls, blackColor, &blackImp);
    rt::defineClassMethod(cls, blueColor, &blueImp);
    rt::defineClassMethod(cls, redColor, &redImp);
    rt::defineClassMethod(cls, greenColor, &greenImp);
    rt::defineClassMethod(cls, grayColor, &grayImp);
    rt::defineClassMethod(cls, clearColor, &clearImp);
    rt::defineMethod(cls, isEqual, &isEqualImp);
    rt::defineMethod(cls, CGColor, &cgColorImp);
    rt::defineMethod(cls, getRed_green_blue_alpha, &getRGBAImp);
    rt::defineMethod(cls, getWhite_alpha, &getWhiteImp);
    rt::defineMethod(cls, colorWithAlphaComponent, &withAlphaImp);
    rt::defineMethod(cls, ns::description, &descriptionImp);
}
}  // namespace detail

}  // namespace ui
