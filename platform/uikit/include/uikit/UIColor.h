// Colours: straight RGBA components. Alpha is clamped to 0..1; the colour
// components are kept as given (extended range).
#pragma once

#include "foundation/Objects.h"
#include "graphics/Color.h"
#include "uikit/SharedMessages.h"

class UIColor : public rt::Object {
public:
    CGFloat red = 0, green = 0, blue = 0, alpha = 0;
};

namespace ui {

inline constinit const rt::ClassMsg<id()> whiteColor{"UIColor", "whiteColor"};
inline constinit const rt::ClassMsg<id()> blackColor{"UIColor", "blackColor"};
inline constinit const rt::ClassMsg<id()> blueColor{"UIColor", "blueColor"};
inline constinit const rt::ClassMsg<id()> clearColor{"UIColor", "clearColor"};
inline constinit const rt::ClassMsg<id()> redColor{"UIColor", "redColor"};
inline constinit const rt::ClassMsg<id()> greenColor{"UIColor", "greenColor"};
inline constinit const rt::ClassMsg<id()> grayColor{"UIColor", "grayColor"};
inline constinit const rt::ClassMsg<id(double, double)> colorWithWhite_alpha{"UIColor", "colorWithWhite:alpha:"};
inline constinit const rt::ClassMsg<id(double, double, double, double)> colorWithRed_green_blue_alpha{
    "UIColor", "colorWithRed:green:blue:alpha:"};

// isEqual: (uikit/SharedMessages.h) compares components.
inline constinit const rt::Msg<CGColorRef()> CGColor{"CGColor"};
inline constinit const rt::Msg<bool(double*, double*, double*, double*)> getRed_green_blue_alpha{
    "getRed:green:blue:alpha:"};
// White is the luma of the components (0.299 R + 0.587 G + 0.114 B).
inline constinit const rt::Msg<bool(double*, double*)> getWhite_alpha{"getWhite:alpha:"};
inline constinit const rt::Msg<id(double)> colorWithAlphaComponent{"colorWithAlphaComponent:"};

id makeColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a);  // a UIColor without a message send
// Equal components; two nothings are equal, nothing and a colour are not.
bool colorsEqual(const id& a, const id& b);
}  // namespace ui
