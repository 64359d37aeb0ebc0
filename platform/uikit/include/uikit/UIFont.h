// Fonts by name and point size. Any name is accepted and kept; the renderer
// maps names to installed families.
#pragma once

#include <string>

#include "foundation/Objects.h"
#include "uikit/SharedMessages.h"

class UIFont : public rt::Object {
public:
    std::string name;
    double size = 0;
};

namespace ui {

// Every name is accepted (the device answers nothing for an unknown one).
inline constinit const rt::ClassMsg<id(id, double)> fontWithName_size{"UIFont", "fontWithName:size:"};
inline constinit const rt::ClassMsg<id(double)> systemFontOfSize{"UIFont", "systemFontOfSize:"};
inline constinit const rt::ClassMsg<id(double)> boldSystemFontOfSize{"UIFont", "boldSystemFontOfSize:"};
// isEqual: (uikit/SharedMessages.h) compares name and size.
inline constinit const rt::Msg<id()> fontName{"fontName"};
inline constinit const rt::Msg<double()> pointSize{"pointSize"};

}  // namespace ui
