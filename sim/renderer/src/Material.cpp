#include "renderer/Material.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "Internal.h"

namespace render {

namespace {

// The blur works on a copy of the wallpaper this many pixels a point: the
// smear is many points wide, so a coarse copy loses nothing that shows.
constexpr double kDensity = 0.25;
constexpr std::size_t kKept = 24;

struct Key {
    std::string wallpaper;
    int x, y, width, height;  // device pixels
    double radius, blur;
    double tint[4];
    bool operator==(const Key& o) const {
        return wallpaper == o.wallpaper && x == o.x && y == o.y && width == o.width && height == o.height &&
               radius == o.radius && blur == o.blur && std::equal(tint, tint + 4, o.tint);
    }
};

struct Kept {
    Key key;
    cairo_surface_t* surface;  // device pixels of the box, corners and tint applied
};

std::mutex lock;
std::list<Kept>& kept() {
    static auto* list = new std::list<Kept>;  // lives as long as the process; most recent first
    return *list;
}
std::size_t blursMade = 0;

// A normalised Gaussian of radius `r` pixels, as pixman's convolution takes it.
std::vector<pixman_fixed_t> gaussianKernel(int r) {
    const int side = 2 * r + 1;
    const double sigma = std::max(0.5, r / 2.0);
    std::vector<double> weights(static_cast<std::size_t>(side * side));
    double sum = 0;
    for (int y = -r; y <= r; ++y)
        for (int x = -r; x <= r; ++x) sum += weights[(y + r) * side + (x + r)] = std::exp(-(x * x + y * y) / (2 * sigma * sigma));
    std::vector<pixman_fixed_t> params{pixman_int_to_fixed(side), pixman_int_to_fixed(side)};
    for (double w : weights) params.push_back(pixman_double_to_fixed(w / sum));
    return params;
}

// The wallpaper under `area` (screen points, with a margin for the smear),
// coarse and blurred; the caller destroys it.
cairo_surface_t* blurredWallpaper(const detail::Pass& pass, CGRect area, double blur) {
    const int w = std::max(1, static_cast<int>(std::ceil(area.size.width * kDensity)));
    const int h = std::max(1, static_cast<int>(std::ceil(area.size.height * kDensity)));
    cairo_surface_t* coarse = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(coarse);
    cairo_scale(cr, kDensity, kDensity);
    cairo_translate(cr, -area.origin.x, -area.origin.y);
    paintWallpaper(cr, *pass.wallpaper(), pass.screen().width, pass.screen().height);
    cairo_destroy(cr);
    cairo_surface_flush(coarse);

    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(out);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h,
                                                   reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(coarse)),
                                                   cairo_image_surface_get_stride(coarse));
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h,
                                                   reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(out)),
                                                   cairo_image_surface_get_stride(out));
    const int r = std::clamp(static_cast<int>(std::lround(blur * kDensity / 2)), 1, 16);
    std::vector<pixman_fixed_t> kernel = gaussianKernel(r);
    pixman_image_set_filter(src, PIXMAN_FILTER_CONVOLUTION, kernel.data(), static_cast<int>(kernel.size()));
    // The edge pixels continue outwards: no dark rim where the copy ends.
    pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, w, h);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    cairo_surface_mark_dirty(out);
    cairo_surface_destroy(coarse);
    ++blursMade;
    return out;
}

// The material of a box at `device` pixels (screen points `screen`), made whole.
cairo_surface_t* makeMaterial(const detail::Pass* pass, const Key& key, CGRect screen, double scale,
                              const Material& m) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, key.width, key.height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    detail::roundedRect(cr, CGRect{{0, 0}, screen.size}, m.cornerRadius);
    cairo_clip(cr);
    if (pass && pass->wallpaper()) {
        const double margin = m.blur;
        CGRect area{{screen.origin.x - margin, screen.origin.y - margin},
                    {screen.size.width + 2 * margin, screen.size.height + 2 * margin}};
        cairo_surface_t* blurred = blurredWallpaper(*pass, area, m.blur);
        cairo_save(cr);
        cairo_translate(cr, -margin, -margin);
        cairo_scale(cr, 1 / kDensity, 1 / kDensity);
        cairo_set_source_surface(cr, blurred, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(blurred);
    }
    cairo_set_source_rgba(cr, m.tint[0], m.tint[1], m.tint[2], m.tint[3]);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

}  // namespace

void paintMaterial(cairo_t* cr, CGRect box, const Material& m, double alpha) {
    if (box.size.width <= 0 || box.size.height <= 0 || alpha <= 0) return;
    // Where the box lies in device pixels, and so on the screen: views are
    // only ever moved, so the transformation is a scale and a translation.
    double x0 = box.origin.x, y0 = box.origin.y;
    double x1 = box.origin.x + box.size.width, y1 = box.origin.y + box.size.height;
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    const double scale = (x1 - x0) / box.size.width;
    if (!(scale > 0)) return;
    const detail::Pass* pass = detail::Pass::current();
    Key key{pass && pass->wallpaper() ? wallpaperName(*pass->wallpaper()) : std::string(),
            static_cast<int>(std::lround(x0)),
            static_cast<int>(std::lround(y0)),
            std::max(1, static_cast<int>(std::lround(x1 - x0))),
            std::max(1, static_cast<int>(std::lround(y1 - y0))),
            m.cornerRadius,
            m.blur,
            {m.tint[0], m.tint[1], m.tint[2], m.tint[3]}};

    std::lock_guard guard(lock);
    auto& list = kept();
    auto it = std::find_if(list.begin(), list.end(), [&](const Kept& k) { return k.key == key; });
    if (it == list.end()) {
        CGRect screen{{key.x / scale, key.y / scale}, box.size};
        list.push_front({key, makeMaterial(pass, key, screen, scale, m)});
        if (list.size() > kKept) {
            cairo_surface_destroy(list.back().surface);
            list.pop_back();
        }
        it = list.begin();
    } else if (it != list.begin()) {
        list.splice(list.begin(), list, it);
        it = list.begin();
    }
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, it->surface, key.x, key.y);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

std::size_t materialBlursMade() {
    std::lock_guard guard(lock);
    return blursMade;
}

}  // namespace render
