#include "renderer/Wallpaper.h"

#include <cmath>
#include <cstdio>
#include <list>
#include <mutex>
#include <set>

#include "Internal.h"
#include "graphics/ImageFile.h"
#include "renderer/Frame.h"

namespace render {

std::optional<Wallpaper> parseWallpaper(std::string_view text) {
    if (text == "dark") return Wallpaper::dark();
    if (text == "light") return Wallpaper::light();
    if (!text.empty() && text.front() == '/') return Wallpaper::picture(std::string(text));
    return std::nullopt;
}

std::string wallpaperName(const Wallpaper& w) {
    switch (w.kind) {
        case Wallpaper::Kind::Light: return "light";
        case Wallpaper::Kind::Picture: return w.path;
        default: return "dark";
    }
}

namespace {

struct Glow {
    double x, y, radius;  // fractions of the width, the height and the shorter side
    double r, g, b, a;
};
struct Disc {
    double x, y, radius;
    double r, g, b, a;
};
struct Design {
    double top[3], middle[3], bottom[3];
    std::vector<Glow> glows;
    std::vector<Disc> discs;
};

// Night sky: deep blue to violet with two coloured glows and faint discs.
// Kept dark everywhere so white text reads on every part of it.
const Design& darkDesign() {
    static const Design d{{0.04, 0.06, 0.15},
                          {0.13, 0.08, 0.24},
                          {0.05, 0.04, 0.10},
                          {{0.80, 0.22, 0.90, 0.12, 0.30, 0.50, 0.45}, {0.15, 0.78, 1.00, 0.40, 0.12, 0.40, 0.35}},
                          {{0.25, 0.35, 0.10, 1, 1, 1, 0.05},
                           {0.70, 0.55, 0.16, 0.6, 0.8, 1, 0.05},
                           {0.55, 0.85, 0.07, 1, 0.8, 1, 0.06},
                           {0.10, 0.60, 0.05, 1, 1, 1, 0.05}}};
    return d;
}

// Morning haze: peach to pale blue with white glows and soft pastel discs.
// Kept light everywhere so black text reads on every part of it.
const Design& lightDesign() {
    static const Design d{{0.99, 0.92, 0.85},
                          {0.93, 0.90, 0.93},
                          {0.83, 0.90, 0.97},
                          {{0.25, 0.18, 0.80, 1, 1, 1, 0.60}, {0.85, 0.72, 0.90, 1.0, 0.82, 0.78, 0.40}},
                          {{0.75, 0.30, 0.12, 0.70, 0.80, 0.95, 0.12},
                           {0.20, 0.65, 0.18, 0.95, 0.80, 0.70, 0.12},
                           {0.60, 0.88, 0.08, 0.75, 0.70, 0.95, 0.12}}};
    return d;
}

void drawDesign(cairo_t* cr, const Design& d, double w, double h) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(sky, 0, d.top[0], d.top[1], d.top[2]);
    cairo_pattern_add_color_stop_rgb(sky, 0.55, d.middle[0], d.middle[1], d.middle[2]);
    cairo_pattern_add_color_stop_rgb(sky, 1, d.bottom[0], d.bottom[1], d.bottom[2]);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    const double side = std::min(w, h);
    for (const Glow& g : d.glows) {
        double cx = g.x * w, cy = g.y * h, radius = g.radius * side;
        cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
        cairo_pattern_add_color_stop_rgba(p, 0, g.r, g.g, g.b, g.a);
        cairo_pattern_add_color_stop_rgba(p, 0.6, g.r, g.g, g.b, g.a * 0.35);
        cairo_pattern_add_color_stop_rgba(p, 1, g.r, g.g, g.b, 0);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
    }
    for (const Disc& c : d.discs) {
        double cx = c.x * w, cy = c.y * h, radius = c.radius * side;
        // A soft edge: full inside, fading over the last fifth.
        cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, radius * 0.8, cx, cy, radius);
        cairo_pattern_add_color_stop_rgba(p, 0, c.r, c.g, c.b, c.a);
        cairo_pattern_add_color_stop_rgba(p, 1, c.r, c.g, c.b, 0);
        cairo_set_source(cr, p);
        cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
}

// A picture of the device's own, or nothing (the reason said once per file).
CGImageRef loadPicture(const std::string& path) {
    static std::mutex lock;
    static std::set<std::string> reported;
    ns::Result<CGImageRef> picture = cg::loadImageFile(path);
    if (!picture) {
        std::lock_guard guard(lock);
        if (reported.insert(path).second)
            std::fprintf(stderr, "renderer: wallpaper %s; drawing the dark one\n", picture.reason().c_str());
        return {};
    }
    return *picture;
}

struct CachedWallpaper {
    Wallpaper wallpaper;
    int width;
    int height;
    cairo_surface_t* surface;
};

// Wallpaper pixels at one pixel size. Drawn once and kept: the wallpaper is
// under every frame.
cairo_surface_t* cachedSurface(const Wallpaper& wp, int width, int height) {
    static std::mutex lock;
    static auto* cache = new std::list<CachedWallpaper>;  // lives as long as the process
    std::lock_guard guard(lock);
    for (auto it = cache->begin(); it != cache->end(); ++it) {
        if (it->wallpaper == wp && it->width == width && it->height == height) {
            cache->splice(cache->begin(), *cache, it);
            return cache->front().surface;
        }
    }
    // Opaque: under every frame, drawn as a plain copy rather than blended.
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(s);
    CGImageRef picture = wp.kind == Wallpaper::Kind::Picture ? loadPicture(wp.path) : CGImageRef{};
    if (picture) {
        drawDesign(cr, darkDesign(), width, height);  // under a picture with transparent parts
        detail::paintImage(cr, picture, 1, CGRect{{0, 0}, {double(width), double(height)}}, 2 /* aspect fill */, 1);
    } else {
        drawDesign(cr, wp.kind == Wallpaper::Kind::Light ? lightDesign() : darkDesign(), width, height);
    }
    cairo_destroy(cr);
    cairo_surface_flush(s);
    cache->push_front({wp, width, height, s});
    while (cache->size() > 4) {
        cairo_surface_destroy(cache->back().surface);
        cache->pop_back();
    }
    return s;
}

}  // namespace

void paintWallpaper(cairo_t* cr, const Wallpaper& wallpaper, double width, double height) {
    double dx = width, dy = height;
    cairo_user_to_device_distance(cr, &dx, &dy);
    int pw = std::max(1, static_cast<int>(std::lround(std::fabs(dx))));
    int ph = std::max(1, static_cast<int>(std::lround(std::fabs(dy))));
    cairo_surface_t* s = cachedSurface(wallpaper, pw, ph);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    cairo_scale(cr, width / pw, height / ph);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

CGImageRef wallpaperImage(const Wallpaper& wallpaper, int widthPixels, int heightPixels) {
    Frame frame(widthPixels, heightPixels, 1);
    if (frame.empty()) return {};
    cairo_t* cr = cairo_create(frame.surface());
    paintWallpaper(cr, wallpaper, widthPixels, heightPixels);
    cairo_destroy(cr);
    return frame.toImage();
}

}  // namespace render
