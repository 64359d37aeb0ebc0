#include "record/ScreenCanvas.h"

#include <cstring>
#include <string>

#include "graphics/ImageFile.h"

namespace record {

namespace {

// Larger than the largest screen of the table of devices; what claims more is
// no device's screen and gets no canvas of its size.
constexpr std::size_t kMostScreenPixels = 4096 * 4096;

}  // namespace

ns::Result<> ScreenCanvas::apply(const wire::ScreenUpdate& update) {
    const auto w = static_cast<std::size_t>(update.width()), h = static_cast<std::size_t>(update.height());
    if (w == 0 || h == 0 || w > cg::kLongestImageSide || h > cg::kLongestImageSide || w * h > kMostScreenPixels)
        return ns::fail("a screen of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is no screen");
    const bool resized = static_cast<int>(w) != width_ || static_cast<int>(h) != height_;
    if ((resized || rgba_.empty()) && !update.whole())
        return ns::fail("a partial update came before a whole screen of " + std::to_string(w) + " x " + std::to_string(h));
    // Decoded whole before any is laid down: a bad picture changes nothing.
    struct Laid {
        std::size_t x, y;
        CGImageRef image;
    };
    std::vector<Laid> laid;
    for (const wire::ScreenPicture& p : update.pictures()) {
        auto image = cg::decodeImage(p.png());
        if (!image) return ns::fail("a picture at " + std::to_string(p.x()) + "," + std::to_string(p.y()) + ": " + image.reason());
        const std::size_t x = p.x(), y = p.y(), iw = (*image)->width, ih = (*image)->height;
        if (x > w || y > h || iw > w - x || ih > h - y)
            return ns::fail("a picture of " + std::to_string(iw) + " x " + std::to_string(ih) + " at " + std::to_string(x) +
                            "," + std::to_string(y) + " does not lie on the screen");
        laid.push_back({x, y, *image});
    }
    if (resized) {
        width_ = static_cast<int>(w);
        height_ = static_cast<int>(h);
        rgba_.assign(w * h * 4, 0);
    }
    for (const Laid& l : laid) {
        const std::size_t rowBytes = l.image->width * 4;
        for (std::size_t row = 0; row < l.image->height; ++row)
            std::memcpy(rgba_.data() + ((l.y + row) * w + l.x) * 4, l.image->rgba.data() + row * rowBytes, rowBytes);
    }
    return {};
}

}  // namespace record
