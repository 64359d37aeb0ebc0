// Contrast as the accessibility guidelines measure it: relative luminance of
// sRGB colours and the ratio (lighter + 0.05) / (darker + 0.05), from 1 to 21.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "matrix/Findings.h"
#include "matrix/Scene.h"

namespace matrix {

// Opaque screen pixels, R G B A a pixel, rows top to bottom.
struct Pixels {
    std::size_t width = 0, height = 0;
    const std::uint8_t* rgba = nullptr;
};

double relativeLuminance(double r, double g, double b);  // components 0 to 1
double contrastRatio(double luminanceA, double luminanceB);

// The lowest contrast of the label's text colours against the screen's
// pixels under its text (points times `scale`); nothing when none of the
// text lies on the screen or it has no colour one could see.
std::optional<double> textContrast(const ShownLabel& label, const Pixels& pixels, double scale);

}  // namespace matrix
