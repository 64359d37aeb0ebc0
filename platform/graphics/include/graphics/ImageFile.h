// Decoding image files (PNG and JPEG) into CGImage pixels.
#pragma once

#include <cstddef>
#include <string>

#include "foundation/Result.h"
#include "graphics/Image.h"

namespace cg {

// The largest picture decoded, in pixels, and along either side: a 12-megapixel
// photo fits, a header that claims more is refused before any pixel is made.
inline constexpr std::size_t kMostImagePixels = 40'000'000;
inline constexpr std::size_t kLongestImageSide = 16384;
// The largest image file read.
inline constexpr std::size_t kLargestImageFile = 64 * 1024 * 1024;

// Picks the decoder (PNG or JPEG) by the bytes' first ones; a failure says why.
ns::Result<CGImageRef> decodeImage(const std::string& bytes);
// The same for a file: a regular file only, bounded; a failure names the file.
ns::Result<CGImageRef> loadImageFile(const std::string& path);
// Writes a PNG (tests and screenshots); a failure says why.
ns::Result<> writePNG(const CGImageRef& image, const std::string& path);

}  // namespace cg
