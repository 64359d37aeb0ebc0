// Bitmap contexts over caller-visible memory with an explicit byte layout,
// drawn with the device's conventions: origin at the lower left, source-over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "graphics/Color.h"
#include "graphics/Geometry.h"
#include "graphics/Image.h"

// Bitmap info: the alpha placement in the low bits, the byte order above.
enum : std::uint32_t {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,   // memory R, G, B, A
    kCGImageAlphaPremultipliedFirst = 2,  // memory A, R, G, B
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,        // memory R, G, B, x
    kCGImageAlphaNoneSkipFirst = 6,       // memory x, R, G, B
    kCGBitmapAlphaInfoMask = 0x1F,
    kCGBitmapByteOrderDefault = 0,
    kCGBitmapByteOrder32Little = 2u << 12,  // the 32-bit pixel word reversed in memory
    kCGBitmapByteOrder32Big = 4u << 12,
    kCGBitmapByteOrderMask = 0x7000,
};
using CGBitmapInfo = std::uint32_t;

enum CGInterpolationQuality { kCGInterpolationDefault = 0, kCGInterpolationNone = 1, kCGInterpolationLow = 2,
                              kCGInterpolationMedium = 4, kCGInterpolationHigh = 3 };

class CGContext;
using CGContextRef = std::shared_ptr<CGContext>;

// data nullptr: the context owns memory that starts cleared. Caller memory is
// used as it is (not cleared). bytesPerRow 0: 4 * width. Supported: 8 bits a
// component, device RGB, premultiplied or skipped alpha, first or last, default,
// big or 32-bit little byte order. Anything else answers nothing and says why
// on standard error.
CGContextRef CGBitmapContextCreate(void* data, std::size_t width, std::size_t height, std::size_t bitsPerComponent,
                                   std::size_t bytesPerRow, const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo);
void* CGBitmapContextGetData(const CGContextRef& c);
std::size_t CGBitmapContextGetWidth(const CGContextRef& c);
std::size_t CGBitmapContextGetHeight(const CGContextRef& c);
std::size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c);
CGBitmapInfo CGBitmapContextGetBitmapInfo(const CGContextRef& c);
// A copy of the context's pixels as an image (RGBA premultiplied).
CGImageRef CGBitmapContextCreateImage(const CGContextRef& c);
inline void CGContextRelease(const CGContextRef&) {}

// Draws the whole image scaled into rect (no aspect kept), with the context's
// interpolation quality (default: the drawing library's default filter).
// The image's edge pixels extend outwards, so a flat image stays flat.
void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image);
void CGContextSetInterpolationQuality(const CGContextRef& c, CGInterpolationQuality quality);
void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color);
void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a);
// Source-over fill of the rectangle with the fill colour (default opaque black).
void CGContextFillRect(const CGContextRef& c, CGRect rect);
// Clears the rectangle to transparent.
void CGContextClearRect(const CGContextRef& c, CGRect rect);
