// Colours and the device RGB colour space of the 2-D graphics layer.
#pragma once

#include <memory>

#include "graphics/Geometry.h"

// The only colour space: device RGB.
struct CGColorSpace {};
using CGColorSpaceRef = std::shared_ptr<const CGColorSpace>;
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
// Handles free themselves with their last reference; kept for device-shaped code.
inline void CGColorSpaceRelease(const CGColorSpaceRef&) {}

// Straight (not premultiplied) RGBA components, nominally 0 to 1.
struct CGColor {
    CGFloat red = 0, green = 0, blue = 0, alpha = 0;
};
using CGColorRef = std::shared_ptr<const CGColor>;
// components: red, green, blue, alpha (device RGB); nothing for no components.
CGColorRef CGColorCreate(const CGColorSpaceRef& space, const CGFloat* components);
CGColorRef CGColorCreateRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a);
inline void CGColorRelease(const CGColorRef&) {}
inline CGFloat CGColorGetAlpha(const CGColorRef& c) { return c ? c->alpha : 0; }
