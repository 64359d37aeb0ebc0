// Pictures carried inside a JSON answer: PNG bytes as a data: URL.
#pragma once

#include <string>
#include <string_view>

#include "graphics/Image.h"

namespace prefs {

// The picture as "data:image/png;base64,..."; empty for no picture or when
// encoding fails.
std::string pngDataURL(const CGImageRef& image);

// RFC 4648 base64 with padding.
std::string base64(std::string_view bytes);

}  // namespace prefs
