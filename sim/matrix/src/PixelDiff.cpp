#include "matrix/PixelDiff.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace matrix {

PixelDifference comparePixels(const CGImage& actual, const CGImage& reference, int tolerance) {
    PixelDifference result;
    if (actual.width != reference.width || actual.height != reference.height) {
        result.error = "the picture is " + std::to_string(actual.width) + "x" + std::to_string(actual.height) +
                       ", the reference " + std::to_string(reference.width) + "x" + std::to_string(reference.height);
        return result;
    }
    const std::size_t count = actual.width * actual.height;
    if (actual.rgba.size() != count * 4 || reference.rgba.size() != count * 4) {
        result.error = "a picture has fewer bytes than its size";
        return result;
    }
    result.pixels = static_cast<long long>(count);
    std::vector<std::uint8_t> diff(count * 4);
    const std::uint8_t* a = actual.rgba.data();
    const std::uint8_t* r = reference.rgba.data();
    for (std::size_t i = 0; i < count; ++i) {
        int worst = 0;
        for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(a[i * 4 + c] - r[i * 4 + c]));
        std::uint8_t* d = diff.data() + i * 4;
        if (worst > tolerance) {
            ++result.different;
            d[0] = 255, d[1] = 0, d[2] = 0, d[3] = 255;
        } else {
            // The reference, faded, so the red stands out where it is.
            auto grey = static_cast<std::uint8_t>((r[i * 4] + r[i * 4 + 1] + r[i * 4 + 2]) / 3 / 4 + 160);
            d[0] = d[1] = d[2] = grey, d[3] = 255;
        }
    }
    if (result.different > 0) result.picture = cg::makeImage(actual.width, actual.height, std::move(diff));
    return result;
}

}  // namespace matrix
