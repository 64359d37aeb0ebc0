// How a label's text lies in its frame as the screen draws it: what a check
// of the layout needs to tell a text that fits from one cut short.
#pragma once

#include "foundation/Objects.h"

namespace render {

struct LabelFit {
    int lines = 0;           // lines the text takes at the label's width (0: no text)
    int shownLines = 0;      // of them, the lines drawn
    bool truncated = false;  // the last drawn line ends in an ellipsis
    double width = 0;        // the widest drawn line, in points
    double height = 0;       // the drawn lines together, in points
    // Where the glyphs' ink lies, in the label's coordinates (the text block
    // centred vertically, as it is drawn).
    double inkX = 0, inkY = 0, inkWidth = 0, inkHeight = 0;
};

// The label's text laid out in its frame's size, with the renderer's fonts.
LabelFit labelFit(const id& label);

}  // namespace render
