// Images: premultiplied RGBA pixels of the graphics layer with a scale.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"
#include "graphics/Image.h"

class UIImage : public rt::Object {
public:
    CGImageRef cgImage;
    double scale = 1;
};

// Class methods: imageNamed: (id(id)): an absolute path loads that file; a
// bare name is looked up in the image folders (name, name@2x.png, name.png,
// name.jpg); imageWithContentsOfFile: (id(id)); imageWithCGImage: (id(CGImageRef)).
// A missing or undecodable file answers nothing (the reason goes to the log).
// Instance methods: initWithContentsOfFile: (id(id)), CGImage (CGImageRef()),
// size (CGSize(): pixels / scale), scale (double).
// A file named "...@2x.png" or "...@3x.png" gets that scale.

namespace ui {
inline id imageNamed(std::string_view name) {
    return rt::sendClass<id(id)>(rt::objc_getClass("UIImage"), "imageNamed:", NSStr(name));
}
inline id imageWithContentsOfFile(std::string_view path) {
    return rt::sendClass<id(id)>(rt::objc_getClass("UIImage"), "imageWithContentsOfFile:", NSStr(path));
}
inline CGImageRef cgImage(const id& image) { return rt::send<CGImageRef()>(image, "CGImage"); }
inline CGSize imageSize(const id& image) { return rt::send<CGSize()>(image, "size"); }
// A UIImage over pixels, without a message send (tests, the renderer).
id makeImage(const CGImageRef& pixels, double scale = 1);
// Folders searched by imageNamed: for bare names, in order.
void setImageSearchPaths(std::vector<std::string> folders);
}  // namespace ui
