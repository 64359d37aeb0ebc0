#include "ScreenCompare.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

struct Surface {
    cairo_surface_t* s;
    explicit Surface(cairo_surface_t* surface) : s(surface) {}
    ~Surface() { cairo_surface_destroy(s); }
    bool ok() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
};

// Both pictures in one format, so their bytes compare.
cairo_surface_t* argbCopy(cairo_surface_t* from) {
    int w = cairo_image_surface_get_width(from), h = cairo_image_surface_get_height(from);
    cairo_surface_t* to = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(to);
    cairo_set_source_surface(cr, from, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(to);
    return to;
}

}  // namespace

Comparison comparePNGs(const std::string& actualFile, const std::string& referenceFile, int tolerance,
                       const std::string& diffFile) {
    Comparison result;
    Surface actualRead(cairo_image_surface_create_from_png(actualFile.c_str()));
    Surface referenceRead(cairo_image_surface_create_from_png(referenceFile.c_str()));
    if (!actualRead.ok()) return {"cannot read " + actualFile};
    if (!referenceRead.ok()) return {"cannot read the reference " + referenceFile};
    Surface actual(argbCopy(actualRead.s)), reference(argbCopy(referenceRead.s));
    int w = cairo_image_surface_get_width(actual.s), h = cairo_image_surface_get_height(actual.s);
    int rw = cairo_image_surface_get_width(reference.s), rh = cairo_image_surface_get_height(reference.s);
    if (w != rw || h != rh)
        return {"the screenshot is " + std::to_string(w) + "x" + std::to_string(h) + ", the reference " + std::to_string(rw) +
                "x" + std::to_string(rh)};

    Surface diff(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    int stride = cairo_image_surface_get_stride(actual.s);
    const std::uint8_t* a = cairo_image_surface_get_data(actual.s);
    const std::uint8_t* r = cairo_image_surface_get_data(reference.s);
    std::uint8_t* d = cairo_image_surface_get_data(diff.s);
    int diffStride = cairo_image_surface_get_stride(diff.s);
    result.pixels = static_cast<long long>(w) * h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* pa = a + y * stride + x * 4;
            const std::uint8_t* pr = r + y * stride + x * 4;
            std::uint32_t* pd = reinterpret_cast<std::uint32_t*>(d + y * diffStride + x * 4);
            int worst = 0;
            for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(pa[c] - pr[c]));
            if (worst > tolerance) {
                ++result.different;
                *pd = 0xffff0000u;
            } else {
                // The reference, faded, so the red stands out where it is.
                std::uint32_t grey = (pr[0] + pr[1] + pr[2]) / 3 / 4 + 160;
                *pd = 0xff000000u | grey << 16 | grey << 8 | grey;
            }
        }
    cairo_surface_mark_dirty(diff.s);
    if (result.different > 0 && !diffFile.empty()) cairo_surface_write_to_png(diff.s, diffFile.c_str());
    return result;
}
