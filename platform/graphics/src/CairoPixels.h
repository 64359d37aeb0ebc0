// Conversions between RGBA bytes and Cairo's native-endian ARGB words. Words are
// read and written by shifts, never by byte offsets, so the order holds on any host.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "graphics/Image.h"

namespace cg::detail {

inline std::uint32_t word(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    return std::uint32_t{a} << 24 | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

// A new Cairo image surface with the image's pixels (premultiplied both sides).
cairo_surface_t* surfaceFromImage(const CGImage& image);
// The image's surface for drawing from, made once per image (thread-safe).
cairo_surface_t* cachedSurface(const CGImage& image);
// The surface's pixels as an image.
CGImageRef imageFromSurface(cairo_surface_t* surface);

}  // namespace cg::detail
