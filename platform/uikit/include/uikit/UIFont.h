// Fonts by name and point size. Any name is accepted and kept; the renderer
// maps names to installed families.
#pragma once

#include <string>

#include "foundation/Objects.h"

class UIFont : public rt::Object {
public:
    std::string name;
    double size = 0;
};

// Class methods: fontWithName:size: (id(id name, double)), systemFontOfSize:
// (id(double)), boldSystemFontOfSize: (id(double)).
// Instance methods: fontName (id), pointSize (double), isEqual: (bool(id)).

namespace ui {
inline id fontWithName(std::string_view name, double size) {
    return rt::sendClass<id(id, double)>(rt::objc_getClass("UIFont"), "fontWithName:size:", NSStr(name), size);
}
inline std::string fontName(const id& font) { return str(rt::send<id()>(font, "fontName")); }
inline double pointSize(const id& font) { return rt::send<double()>(font, "pointSize"); }
}  // namespace ui
