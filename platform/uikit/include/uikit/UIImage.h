// Images: premultiplied RGBA pixels of the graphics layer with a scale.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"
#include "graphics/Image.h"
#include "uikit/SharedMessages.h"

class UIImage : public rt::Object {
public:
    CGImageRef cgImage;
    double scale = 1;
};

namespace ui {

// A missing or undecodable file answers nothing (the reason goes to the log); a
// file named "...@2x.png" or "...@3x.png" gets that scale.
// imageNamed: loads an absolute path as it is and looks a bare name up in the
// image folders (name, name@2x.png, name.png, name.jpg).
inline constinit const rt::ClassMsg<id(id)> imageNamed{"UIImage", "imageNamed:"};
inline constinit const rt::ClassMsg<id(id)> imageWithContentsOfFile{"UIImage", "imageWithContentsOfFile:"};
inline constinit const rt::ClassMsg<id(CGImageRef)> imageWithCGImage{"UIImage", "imageWithCGImage:"};
inline constinit const rt::Msg<id(id)> initWithContentsOfFile{"initWithContentsOfFile:"};
inline constinit const rt::Msg<CGImageRef()> CGImage{"CGImage"};
// Pixels / scale (the scale message: uikit/SharedMessages.h).
inline constinit const rt::Msg<CGSize()> size{"size"};

// A UIImage over pixels, without a message send (tests, the renderer).
id makeImage(const CGImageRef& pixels, double scale = 1);
// Folders searched by imageNamed: for bare names, in order.
void setImageSearchPaths(std::vector<std::string> folders);
}  // namespace ui
