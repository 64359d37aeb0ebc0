// Custom drawing for view classes: a host class whose look is not made of
// ordinary views (a notification card's rounded platter, say) registers a
// painter under its class name.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace render {

// Draws the view's own content. The context's user space is the view's bounds
// in points (origin at its top left); `alpha` is the opacity to draw with.
// Runs after the background colour and before the subviews, in place of the
// built-in content of labels and image views.
using ViewPainter = std::function<void(cairo_t* cr, const id& view, CGSize size, double alpha)>;

// Registers (or, with an empty function, removes) the painter of a class.
// Subclasses use their nearest registered superclass's painter.
void registerViewPainter(const std::string& className, ViewPainter painter);
// The painter for a view's class or its nearest superclass with one; empty if none.
ViewPainter painterFor(const id& view);

}  // namespace render
