// The live screen's pictures: a rectangle of a frame as PNG, encoded for speed
// (the page shows many a second) rather than for size. A screen has no
// transparency, so the pixels go as RGB, as they look over black.
#pragma once

#include <string>

#include "renderer/Frame.h"

namespace render {

// A rectangle of device pixels.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    long area() const { return static_cast<long>(width) * height; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Deflate levels, chosen by measurement (bench/RenderBench.cpp): a changed
// region at level 1 (a colon's fade: 11 KB, a small share of a millisecond);
// a whole screen stored as it is (level 0: 1 ms for 750 x 1334, where level 1
// takes 10 ms and libpng 19): it goes to the page over the loopback
// connection, where bytes cost nothing and time is what the page waits on.
inline constexpr int kLiveLevel = 1;
inline constexpr int kWholeLevel = 0;

// `rect` of `frame` (clipped to it) as PNG bytes; empty for an empty frame
// or rectangle.
std::string encodeLivePNG(const Frame& frame, PixelRect rect, int level = kLiveLevel);

}  // namespace render
