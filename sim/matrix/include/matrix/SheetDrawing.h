// What every contact sheet of screens is drawn with (Cairo and Pango):
// captions, and pictures scaled to a height.
#pragma once

#include <cairo.h>

#include <string>

#include "graphics/Image.h"

namespace matrix {

// Text at (x, y), its top left; wrapped at `width` when it is given.
void sheetText(cairo_t* cr, const std::string& words, double x, double y, double size, bool bold, double width = 0);

// A Cairo surface with the image's pixels; the caller destroys it.
cairo_surface_t* surfaceOf(const CGImage& image);

// Draws the picture scaled to `height` at (x, y); answers its width there.
double drawScaled(cairo_t* cr, cairo_surface_t* picture, double x, double y, double height);

// The picture scaled to `height` pixels (its width in proportion).
CGImageRef scaledTo(const CGImage& image, double height);

}  // namespace matrix
