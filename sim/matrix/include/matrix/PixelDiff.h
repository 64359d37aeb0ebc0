// Two pictures of a screen compared pixel by pixel, with a picture of where
// they differ: red over a faded copy of the reference.
#pragma once

#include <string>

#include "graphics/Image.h"

namespace matrix {

struct PixelDifference {
    std::string error;        // the sizes differ
    long long pixels = 0;     // in the picture
    long long different = 0;  // pixels with a component further off than the tolerance
    CGImageRef picture;       // where they differ; nothing when they do not
};

// `tolerance`: the largest difference of one 8-bit component that still counts as the same.
PixelDifference comparePixels(const CGImage& actual, const CGImage& reference, int tolerance);

}  // namespace matrix
