#include "matrix/Contrast.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace matrix {

namespace {

double linear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

// Enough of the pixels under a text to know its background, however large.
constexpr std::size_t kMostSamples = 40000;

}  // namespace

double relativeLuminance(double r, double g, double b) {
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

double contrastRatio(double a, double b) {
    double lighter = std::max(a, b), darker = std::min(a, b);
    return (lighter + 0.05) / (darker + 0.05);
}

std::optional<double> textContrast(const ShownLabel& label, const Pixels& pixels, double scale) {
    if (!pixels.rgba || pixels.width == 0 || pixels.height == 0) return std::nullopt;
    const Box& t = label.text;
    // Clamped to the picture before any conversion: a dump may claim any size.
    auto at = [](double v, std::size_t most) {
        if (!(v > 0)) return 0L;
        return static_cast<long>(std::min(v, static_cast<double>(most)));
    };
    long x0 = at(std::floor(t.x * scale), pixels.width), y0 = at(std::floor(t.y * scale), pixels.height);
    long x1 = at(std::ceil(t.right() * scale), pixels.width), y1 = at(std::ceil(t.bottom() * scale), pixels.height);
    if (x1 <= x0 || y1 <= y0) return std::nullopt;
    const std::size_t area = static_cast<std::size_t>(x1 - x0) * static_cast<std::size_t>(y1 - y0);
    const long step = std::max(1L, static_cast<long>(std::sqrt(static_cast<double>(area) / kMostSamples)));
    struct Sample {
        double luminance;
        double r, g, b;
    };
    std::vector<Sample> under;
    for (long y = y0; y < y1; y += step)
        for (long x = x0; x < x1; x += step) {
            const std::uint8_t* p = pixels.rgba + (static_cast<std::size_t>(y) * pixels.width + static_cast<std::size_t>(x)) * 4;
            double r = p[0] / 255.0, g = p[1] / 255.0, b = p[2] / 255.0;
            under.push_back({relativeLuminance(r, g, b), r, g, b});
        }
    std::sort(under.begin(), under.end(), [](const Sample& a, const Sample& b) { return a.luminance < b.luminance; });
    // The ink covers less than a fifth of a text's box: of the two ends of the
    // pixels under it, the one further from the ink is its background.
    const Sample& darkEnd = under[under.size() / 5];
    const Sample& lightEnd = under[under.size() * 4 / 5];
    std::optional<double> lowest;
    for (const Colour& c : label.colours) {
        if (c.a < 0.1) continue;  // a range drawn clear, like the flashing colon's off phase
        double ink = relativeLuminance(c.r, c.g, c.b);
        const Sample& background =
            std::abs(ink - darkEnd.luminance) > std::abs(ink - lightEnd.luminance) ? darkEnd : lightEnd;
        // Translucent ink is blended over its background as the screen blends it, component by component.
        double shown = relativeLuminance(c.a * c.r + (1 - c.a) * background.r, c.a * c.g + (1 - c.a) * background.g,
                                         c.a * c.b + (1 - c.a) * background.b);
        double ratio = contrastRatio(shown, background.luminance);
        if (!lowest || ratio < *lowest) lowest = ratio;
    }
    return lowest;
}

}  // namespace matrix
