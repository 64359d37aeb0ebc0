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

// Deflate levels, chosen by measurement (bench/RenderBench.cpp): both a
// changed region and a whole screen go stored (level 0). A colon's fade then
// costs 0.15 ms of CPU to compare, encode and send (80 KB) where level 1 took
// 0.35 ms (11 KB); a whole 750 x 1334 screen 1.5 ms where level 1 takes 10 ms
// and libpng 17. Both go to the page over the loopback connection only, where
// bytes cost nothing and time is what the page waits on.
inline constexpr int kLiveLevel = 0;
inline constexpr int kWholeLevel = 0;

// `rect` of `frame` (clipped to it) as PNG bytes; empty for an empty frame
// or rectangle.
std::string encodeLivePNG(const Frame& frame, PixelRect rect, int level = kLiveLevel);

}  // namespace render
