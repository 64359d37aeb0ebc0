#include "CairoPixels.h"

#include <cstring>
#include <mutex>

namespace cg::detail {

cairo_surface_t* surfaceFromImage(const CGImage& image) {
    auto w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        const std::uint8_t* src = image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4;
        for (int x = 0; x < w; ++x, src += 4) row[x] = word(src[0], src[1], src[2], src[3]);
    }
    cairo_surface_mark_dirty(s);
    return s;
}

cairo_surface_t* cachedSurface(const CGImage& image) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (!image.drawCache)
        image.drawCache = std::shared_ptr<void>(surfaceFromImage(image),
                                                [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); });
    return static_cast<cairo_surface_t*>(image.drawCache.get());
}

CGImageRef imageFromSurface(cairo_surface_t* s) {
    cairo_surface_flush(s);
    auto w = static_cast<std::size_t>(cairo_image_surface_get_width(s));
    auto h = static_cast<std::size_t>(cairo_image_surface_get_height(s));
    const unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    std::vector<std::uint8_t> rgba(w * h * 4);
    for (std::size_t y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * static_cast<std::size_t>(stride));
        std::uint8_t* dst = rgba.data() + y * w * 4;
        for (std::size_t x = 0; x < w; ++x, dst += 4) {
            std::uint32_t p = row[x];
            dst[0] = static_cast<std::uint8_t>(p >> 16);
            dst[1] = static_cast<std::uint8_t>(p >> 8);
            dst[2] = static_cast<std::uint8_t>(p);
            dst[3] = static_cast<std::uint8_t>(p >> 24);
        }
    }
    return makeImage(w, h, std::move(rgba));
}

}  // namespace cg::detail
