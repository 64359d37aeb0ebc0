#include "renderer/FrameDiff.h"

#include <cstring>

namespace render {

std::vector<PixelRect> changedRects(const Frame& before, const Frame& now, int tile) {
    const int w = now.width(), h = now.height();
    const int columns = (w + tile - 1) / tile, rows = (h + tile - 1) / tile;
    cairo_surface_flush(before.surface());
    cairo_surface_flush(now.surface());
    const unsigned char* a = cairo_image_surface_get_data(before.surface());
    const unsigned char* b = cairo_image_surface_get_data(now.surface());
    const int strideA = cairo_image_surface_get_stride(before.surface());
    const int strideB = cairo_image_surface_get_stride(now.surface());

    std::vector<PixelRect> rects;
    // Runs of changed tiles in the band of tiles above, still open.
    std::vector<PixelRect> open;
    std::vector<char> changed(static_cast<std::size_t>(columns));
    for (int band = 0; band < rows; ++band) {
        std::fill(changed.begin(), changed.end(), 0);
        const int top = band * tile, bottom = std::min(top + tile, h);
        for (int y = top; y < bottom; ++y) {
            const unsigned char* rowA = a + static_cast<std::ptrdiff_t>(y) * strideA;
            const unsigned char* rowB = b + static_cast<std::ptrdiff_t>(y) * strideB;
            // Whole rows first: most rows of a still region are equal.
            if (std::memcmp(rowA, rowB, static_cast<std::size_t>(w) * 4) == 0) continue;
            for (int c = 0; c < columns; ++c) {
                if (changed[c]) continue;
                const int left = c * tile, width = std::min(tile, w - left);
                if (std::memcmp(rowA + 4 * left, rowB + 4 * left, static_cast<std::size_t>(width) * 4) != 0) changed[c] = 1;
            }
        }
        // This band's runs; a run under an open rectangle of the same span extends it.
        std::vector<PixelRect> next;
        for (int c = 0; c < columns;) {
            if (!changed[c]) {
                ++c;
                continue;
            }
            int end = c;
            while (end < columns && changed[end]) ++end;
            PixelRect run{c * tile, top, std::min(end * tile, w) - c * tile, bottom - top};
            bool extended = false;
            for (auto it = open.begin(); it != open.end(); ++it) {
                if (it->x == run.x && it->width == run.width) {
                    it->height += run.height;
                    next.push_back(*it);
                    open.erase(it);
                    extended = true;
                    break;
                }
            }
            if (!extended) next.push_back(run);
            c = end;
        }
        // Rectangles not extended by this band are done.
        rects.insert(rects.end(), open.begin(), open.end());
        open = std::move(next);
    }
    rects.insert(rects.end(), open.begin(), open.end());
    return rects;
}

std::vector<PixelRect> FrameDiff::next(Frame frame) {
    std::vector<PixelRect> rects;
    if (frame.empty()) {
        last_ = Frame();
        return rects;
    }
    if (last_.empty() || last_.width() != frame.width() || last_.height() != frame.height())
        rects.push_back({0, 0, frame.width(), frame.height()});
    else
        rects = changedRects(last_, frame);
    last_ = std::move(frame);
    return rects;
}

}  // namespace render
