#include "matrix/SheetDrawing.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace matrix {

void sheetText(cairo_t* cr, const std::string& words, double x, double y, double size, bool bold, double width) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* d = pango_font_description_from_string(bold ? "Inter Semi-Bold" : "Inter");
    pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    if (width > 0) {
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_layout_set_text(layout, words.c_str(), -1);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

cairo_surface_t* surfaceOf(const CGImage& image) {
    const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(w, 1), std::max(h, 1));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || image.rgba.size() != image.width * image.height * 4)
        return surface;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        const std::uint8_t* p = image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4;
        for (int x = 0; x < w; ++x, p += 4)
            row[x] = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

double drawScaled(cairo_t* cr, cairo_surface_t* picture, double x, double y, double height) {
    const double pictureHeight = cairo_image_surface_get_height(picture);
    if (pictureHeight <= 0) return 0;
    const double scale = height / pictureHeight;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    return cairo_image_surface_get_width(picture) * scale;
}

CGImageRef scaledTo(const CGImage& image, double height) {
    if (image.height == 0) return nullptr;
    const int h = std::max(1, static_cast<int>(std::lround(height)));
    const int w = std::max(1, static_cast<int>(std::lround(static_cast<double>(image.width) * h / image.height)));
    cairo_surface_t* source = surfaceOf(image);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(target);
    drawScaled(cr, source, 0, 0, h);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    const unsigned char* data = cairo_image_surface_get_data(target);
    const int stride = cairo_image_surface_get_stride(target);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        std::uint8_t* p = rgba.data() + static_cast<std::size_t>(y) * w * 4;
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = static_cast<std::uint8_t>(row[x] >> 16);
            p[1] = static_cast<std::uint8_t>(row[x] >> 8);
            p[2] = static_cast<std::uint8_t>(row[x]);
            p[3] = static_cast<std::uint8_t>(row[x] >> 24);
        }
    }
    cairo_surface_destroy(source);
    cairo_surface_destroy(target);
    return cg::makeImage(static_cast<std::size_t>(w), static_cast<std::size_t>(h), std::move(rgba));
}

}  // namespace matrix
