// The lock screen's material: a blurred picture of the wallpaper under a view,
// tinted, with rounded corners (the platters of notifications and media
// controls, the quick-action buttons). A blur is made once for a wallpaper,
// a place on the screen and a size, and kept: a frame that draws a platter
// where it was draws the kept picture, so only a new wallpaper or a new
// layout costs a blur.
#pragma once

#include <cairo.h>

#include <cstddef>

#include "graphics/Geometry.h"

namespace render {

struct Material {
    double cornerRadius = 12;
    double blur = 20;                       // points: how far the wallpaper smears
    double tint[4] = {1, 1, 1, 0.6};        // straight RGBA laid over the blur
};

// Fills `box` (in the user space of the view being painted) with the
// material at `alpha`. Outside a screen's drawing (a view tree drawn alone,
// which has no wallpaper) it is the tint alone.
void paintMaterial(cairo_t* cr, CGRect box, const Material& material, double alpha);

// How many blurs were made since the process started.
std::size_t materialBlursMade();

}  // namespace render
