// Immutable bitmap images: 8-bit RGBA, premultiplied, rows top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct CGImage {
    std::size_t width = 0;
    std::size_t height = 0;
    // width * height pixels, bytes R, G, B, A per pixel, colour premultiplied by alpha.
    std::vector<std::uint8_t> rgba;
    // The drawing library's copy of the pixels, made on the first draw and kept
    // with the image, so an image drawn again costs no conversion.
    mutable std::shared_ptr<void> drawCache;
};
using CGImageRef = std::shared_ptr<const CGImage>;

inline std::size_t CGImageGetWidth(const CGImageRef& image) { return image ? image->width : 0; }
inline std::size_t CGImageGetHeight(const CGImageRef& image) { return image ? image->height : 0; }
inline void CGImageRelease(const CGImageRef&) {}

namespace cg {
// An image of the given size made of premultiplied RGBA bytes; nothing when the
// byte count does not match the size.
CGImageRef makeImage(std::size_t width, std::size_t height, std::vector<std::uint8_t> rgba);
// An image of one flat colour given as straight RGBA bytes.
CGImageRef makeFlatImage(std::size_t width, std::size_t height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                         std::uint8_t a);
}  // namespace cg
