// Colours: straight RGBA components. Alpha is clamped to 0..1; the colour
// components are kept as given (extended range).
#pragma once

#include "foundation/Objects.h"
#include "graphics/Color.h"

class UIColor : public rt::Object {
public:
    CGFloat red = 0, green = 0, blue = 0, alpha = 0;
};

// Class methods: whiteColor, blackColor, blueColor, clearColor, redColor,
// greenColor, grayColor, colorWithWhite:alpha: (double, double),
// colorWithRed:green:blue:alpha: (double x4).
// Instance methods: isEqual: (bool(id)), CGColor (CGColorRef()),
// getRed:green:blue:alpha: (bool(double*, double*, double*, double*)),
// getWhite:alpha: (bool(double*, double*)), colorWithAlphaComponent: (id(double)).

namespace ui {
id makeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a);  // a UIColor without a message send
inline id whiteColor() { return rt::sendClass<id()>(rt::objc_getClass("UIColor"), "whiteColor"); }
inline id blackColor() { return rt::sendClass<id()>(rt::objc_getClass("UIColor"), "blackColor"); }
inline id blueColor() { return rt::sendClass<id()>(rt::objc_getClass("UIColor"), "blueColor"); }
inline id clearColor() { return rt::sendClass<id()>(rt::objc_getClass("UIColor"), "clearColor"); }
inline id redColor() { return rt::sendClass<id()>(rt::objc_getClass("UIColor"), "redColor"); }
inline id colorWithWhite(CGFloat white, CGFloat alpha) {
    return rt::sendClass<id(double, double)>(rt::objc_getClass("UIColor"), "colorWithWhite:alpha:", white, alpha);
}
inline id colorWithRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    return rt::sendClass<id(double, double, double, double)>(rt::objc_getClass("UIColor"),
                                                             "colorWithRed:green:blue:alpha:", r, g, b, a);
}
inline CGColorRef cgColor(const id& color) { return rt::send<CGColorRef()>(color, "CGColor"); }
// Equal components; two nothings are equal, nothing and a colour are not.
bool colorsEqual(const id& a, const id& b);
}  // namespace ui
