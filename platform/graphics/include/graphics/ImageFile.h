// Decoding image files (PNG and JPEG) into CGImage pixels.
#pragma once

#include <string>

#include "foundation/Result.h"
#include "graphics/Image.h"

namespace cg {

struct LoadResult {
    CGImageRef image;     // nothing on failure
    std::string error;    // why, when there is no image
};

// Picks the decoder by the file's first bytes, not by its name.
LoadResult loadImageFile(const std::string& path);
// Writes a PNG (tests and screenshots); a failure says why.
ns::Result<> writePNG(const CGImageRef& image, const std::string& path);

}  // namespace cg
