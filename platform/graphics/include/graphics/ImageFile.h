// Decoding image files (PNG and JPEG) into CGImage pixels.
#pragma once

#include <string>

#include "foundation/Result.h"
#include "graphics/Image.h"

namespace cg {

// Picks the decoder by the file's first bytes, not by its name. A failure
// names the file and says why.
ns::Result<CGImageRef> loadImageFile(const std::string& path);
// Writes a PNG (tests and screenshots); a failure says why.
ns::Result<> writePNG(const CGImageRef& image, const std::string& path);

}  // namespace cg
