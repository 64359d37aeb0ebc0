// The layout check of one shot: two blocks overlapping, a label's text cut,
// truncated or wrapping past its lines, a block whose centre is off the
// screen, text under 3:1 against what lies under it, a label with no text
// that is seen (its background drawn: an empty box). A clear label with no
// text shows nothing: a placeholder, like a subtitle not set, is no fault.
// A label's text is cut when it takes more lines than are drawn; a single
// line taller than its frame is drawn whole, over the frame's edges. Findings come in that order, each in the order of the view tree.
#pragma once

#include <vector>

#include "matrix/Contrast.h"
#include "matrix/Findings.h"
#include "matrix/Scene.h"

namespace matrix {

inline constexpr double kLeastContrast = 3.0;

// `pixels` may be empty: the contrast is then not checked.
std::vector<Finding> checkLayout(const Scene& scene, const Pixels& pixels);

}  // namespace matrix
