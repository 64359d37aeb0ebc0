// Points, sizes and rectangles in points, origin at the top left of the view
// that holds them (bitmap contexts flip to their own lower-left origin).
#pragma once

#include <cmath>

#include "runtime/Class.h"

using CGFloat = double;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;
    friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
    friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    friend bool operator==(const CGRect&, const CGRect&) = default;
};

inline constexpr CGRect CGRectZero{};
inline constexpr CGPoint CGPointZero{};
inline constexpr CGSize CGSizeZero{};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return {x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return {w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return {{x, y}, {w, h}}; }

// Extremes and midpoints of a rectangle whose size may be negative, as the device reads them.
inline CGFloat CGRectGetMinX(CGRect r) { return std::fmin(r.origin.x, r.origin.x + r.size.width); }
inline CGFloat CGRectGetMaxX(CGRect r) { return std::fmax(r.origin.x, r.origin.x + r.size.width); }
inline CGFloat CGRectGetMinY(CGRect r) { return std::fmin(r.origin.y, r.origin.y + r.size.height); }
inline CGFloat CGRectGetMaxY(CGRect r) { return std::fmax(r.origin.y, r.origin.y + r.size.height); }
inline CGFloat CGRectGetMidX(CGRect r) { return r.origin.x + r.size.width / 2; }
inline CGFloat CGRectGetMidY(CGRect r) { return r.origin.y + r.size.height / 2; }
inline CGFloat CGRectGetWidth(CGRect r) { return std::fabs(r.size.width); }
inline CGFloat CGRectGetHeight(CGRect r) { return std::fabs(r.size.height); }
inline bool CGRectEqualToRect(CGRect a, CGRect b) { return a == b; }
inline bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a == b; }
inline bool CGSizeEqualToSize(CGSize a, CGSize b) { return a == b; }
// Half-open: the maximum edges are outside.
inline bool CGRectContainsPoint(CGRect r, CGPoint p) {
    return p.x >= CGRectGetMinX(r) && p.x < CGRectGetMaxX(r) && p.y >= CGRectGetMinY(r) && p.y < CGRectGetMaxY(r);
}

// Type encodings as the device spells them, for methods that take or answer geometry.
template <> struct rt::Encoding<CGPoint> { static constexpr const char* value = "{CGPoint=dd}"; };
template <> struct rt::Encoding<CGSize> { static constexpr const char* value = "{CGSize=dd}"; };
template <> struct rt::Encoding<CGRect> { static constexpr const char* value = "{CGRect={CGPoint=dd}{CGSize=dd}}"; };
