#include "ConditionImage.h"

#include <cairo.h>

#include <cmath>
#include <map>

#include "uikit/UIDevice.h"
#include "uikit/UIImage.h"

namespace springboard {

namespace {

void sun(cairo_t* cr, double s) {
    cairo_set_source_rgb(cr, 1.0, 0.8, 0.1);
    cairo_arc(cr, s / 2, s / 2, s * 0.22, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_line_width(cr, s * 0.06);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 8; ++i) {
        double a = i * M_PI / 4;
        cairo_move_to(cr, s / 2 + std::cos(a) * s * 0.32, s / 2 + std::sin(a) * s * 0.32);
        cairo_line_to(cr, s / 2 + std::cos(a) * s * 0.44, s / 2 + std::sin(a) * s * 0.44);
    }
    cairo_stroke(cr);
}

void cloud(cairo_t* cr, double s, double top) {
    cairo_set_source_rgb(cr, 0.9, 0.92, 0.95);
    cairo_new_path(cr);
    cairo_arc(cr, s * 0.35, top + s * 0.3, s * 0.16, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, s * 0.56, top + s * 0.24, s * 0.2, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, s * 0.74, top + s * 0.33, s * 0.13, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_rectangle(cr, s * 0.35, top + s * 0.3, s * 0.39, s * 0.16);
    cairo_fill(cr);
}

void rain(cairo_t* cr, double s) {
    cloud(cr, s, 0);
    cairo_set_source_rgb(cr, 0.3, 0.55, 1.0);
    cairo_set_line_width(cr, s * 0.05);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 3; ++i) {
        double x = s * (0.38 + 0.16 * i);
        cairo_move_to(cr, x, s * 0.58);
        cairo_line_to(cr, x - s * 0.06, s * 0.8);
    }
    cairo_stroke(cr);
}

void snow(cairo_t* cr, double s) {
    cloud(cr, s, 0);
    cairo_set_source_rgb(cr, 1, 1, 1);
    for (int i = 0; i < 3; ++i) {
        cairo_arc(cr, s * (0.36 + 0.16 * i), s * (0.66 + 0.08 * (i % 2)), s * 0.045, 0, 2 * M_PI);
        cairo_fill(cr);
    }
}

CGImageRef draw(const std::string& icon, int pixels) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels);
    cairo_t* cr = cairo_create(surface);
    double s = pixels;
    if (icon == "sun") sun(cr, s);
    else if (icon == "rain") rain(cr, s);
    else if (icon == "snow") snow(cr, s);
    else cloud(cr, s, s * 0.12);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    // Cairo keeps native-endian words with alpha on top; the graphics layer
    // wants the bytes R, G, B, A (both premultiplied).
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(pixels) * pixels * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < pixels; ++y)
        for (int x = 0; x < pixels; ++x) {
            std::uint32_t word = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
            std::uint8_t* out = &rgba[(static_cast<std::size_t>(y) * pixels + x) * 4];
            out[0] = static_cast<std::uint8_t>(word >> 16);
            out[1] = static_cast<std::uint8_t>(word >> 8);
            out[2] = static_cast<std::uint8_t>(word);
            out[3] = static_cast<std::uint8_t>(word >> 24);
        }
    cairo_surface_destroy(surface);
    auto w = static_cast<std::size_t>(pixels);
    return cg::makeImage(w, w, std::move(rgba));
}

}  // namespace

id conditionImage(const std::string& icon, double points) {
    static auto* cache = new std::map<std::pair<std::string, double>, id>;
    auto key = std::make_pair(icon, points);
    auto found = cache->find(key);
    if (found != cache->end()) return found->second;
    double scale = ui::deviceProfile().scale;
    id image = ui::makeImage(draw(icon, static_cast<int>(std::lround(points * scale))), scale);
    (*cache)[key] = image;
    return image;
}

}  // namespace springboard
