#include "graphics/Color.h"

CGColorSpaceRef CGColorSpaceCreateDeviceRGB() {
    static const auto space = std::make_shared<const CGColorSpace>();
    return space;
}

CGColorRef CGColorCreate(const CGColorSpaceRef&, const CGFloat* components) {
    if (!components) return {};
    return CGColorCreateRGBA(components[0], components[1], components[2], components[3]);
}

CGColorRef CGColorCreateRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    return std::make_shared<const CGColor>(CGColor{r, g, b, a});
}
