#include <cstring>
#include <mutex>
#include <unordered_map>

#include "Internal.h"

namespace render::detail {

namespace {

// Converted pixels per image, kept while the image lives: an image view shows
// the same picture frame after frame.
struct Entry {
    std::weak_ptr<const CGImage> image;
    cairo_surface_t* surface = nullptr;
};
std::mutex cacheLock;
std::unordered_map<const CGImage*, Entry>& cache() {
    static auto* entries = new std::unordered_map<const CGImage*, Entry>;  // lives as long as the process
    return *entries;
}

void sweep() {
    auto& c = cache();
    for (auto it = c.begin(); it != c.end();) {
        if (it->second.image.expired()) {
            cairo_surface_destroy(it->second.surface);
            it = c.erase(it);
        } else {
            ++it;
        }
    }
}

cairo_surface_t* convert(const CGImage& image) {
    int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    const std::uint8_t* src = image.rgba.data();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x, src += 4) {
            // Both premultiplied; Cairo wants one native word with alpha on top.
            std::uint32_t word = std::uint32_t(src[3]) << 24 | std::uint32_t(src[0]) << 16 |
                                 std::uint32_t(src[1]) << 8 | src[2];
            std::memcpy(data + y * stride + 4 * x, &word, 4);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

}  // namespace

cairo_surface_t* surfaceForImage(const CGImageRef& image) {
    if (!image || image->width == 0 || image->height == 0 ||
        image->rgba.size() != image->width * image->height * 4)
        return nullptr;
    std::lock_guard guard(cacheLock);
    auto& c = cache();
    if (auto it = c.find(image.get()); it != c.end()) {
        if (!it->second.image.expired()) return it->second.surface;
        cairo_surface_destroy(it->second.surface);
        c.erase(it);
    }
    if (c.size() >= 32) sweep();
    cairo_surface_t* s = convert(*image);
    if (s) c[image.get()] = Entry{image, s};
    return s;
}

void paintImage(cairo_t* cr, const CGImageRef& image, double imageScale, CGRect box, long contentMode, double alpha) {
    cairo_surface_t* s = surfaceForImage(image);
    if (!s || box.size.width <= 0 || box.size.height <= 0 || alpha <= 0) return;
    double iw = static_cast<double>(image->width), ih = static_cast<double>(image->height);
    double sx = box.size.width / iw, sy = box.size.height / ih;
    double x = box.origin.x, y = box.origin.y;
    switch (contentMode) {
        case 1:  // aspect fit
        case 2:  // aspect fill
            sx = sy = contentMode == 1 ? std::min(sx, sy) : std::max(sx, sy);
            x += (box.size.width - iw * sx) / 2;
            y += (box.size.height - ih * sy) / 2;
            break;
        case 4:  // centre, at the image's own size in points
            sx = sy = 1 / (imageScale > 0 ? imageScale : 1);
            x += (box.size.width - iw * sx) / 2;
            y += (box.size.height - ih * sy) / 2;
            break;
        default:  // scale to fill
            break;
    }
    cairo_save(cr);
    cairo_rectangle(cr, box.origin.x, box.origin.y, box.size.width, box.size.height);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, s, 0, 0);
    // Edge pixels extend outwards, so a scaled image has no faded border.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_rectangle(cr, 0, 0, iw, ih);
    cairo_clip(cr);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

}  // namespace render::detail
