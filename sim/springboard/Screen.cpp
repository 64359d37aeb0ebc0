#include "Screen.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Legibility.h"
#include "renderer/Renderer.h"
#include "renderer/ViewPainters.h"

namespace springboard {

namespace {

// The album artwork of whatever plays: a cover of the device's own making with
// a note and the playback controls under it.
void paintArtwork(cairo_t* cr, const id&, CGSize size, double alpha) {
    const double w = size.width, h = size.height, r = std::min(w, h) * 0.06;
    cairo_save(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, w - r, r, r, -M_PI / 2, 0);
    cairo_arc(cr, w - r, h - r, r, 0, M_PI / 2);
    cairo_arc(cr, r, h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_clip(cr);
    cairo_pattern_t* cover = cairo_pattern_create_linear(0, 0, w, h);
    cairo_pattern_add_color_stop_rgba(cover, 0, 0.93, 0.36, 0.40, alpha);
    cairo_pattern_add_color_stop_rgba(cover, 1, 0.42, 0.22, 0.72, alpha);
    cairo_set_source(cr, cover);
    cairo_paint(cr);
    cairo_pattern_destroy(cover);

    // A quaver: head, stem and flag, in the upper part of the cover.
    const double u = std::min(w, h) / 10;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9 * alpha);
    cairo_save(cr);
    cairo_translate(cr, w / 2 - 0.6 * u, h * 0.46);
    cairo_scale(cr, 1.3, 1);
    cairo_arc(cr, 0, 0, 0.8 * u, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_rectangle(cr, w / 2 + 0.28 * u, h * 0.46 - 3.4 * u, 0.3 * u, 3.4 * u);
    cairo_fill(cr);
    cairo_move_to(cr, w / 2 + 0.58 * u, h * 0.46 - 3.4 * u);
    cairo_curve_to(cr, w / 2 + 1.6 * u, h * 0.46 - 2.6 * u, w / 2 + 2.0 * u, h * 0.46 - 2.0 * u, w / 2 + 1.4 * u,
                   h * 0.46 - 1.0 * u);
    cairo_curve_to(cr, w / 2 + 1.6 * u, h * 0.46 - 1.9 * u, w / 2 + 1.2 * u, h * 0.46 - 2.4 * u, w / 2 + 0.58 * u,
                   h * 0.46 - 2.5 * u);
    cairo_close_path(cr);
    cairo_fill(cr);

    // The controls: back, pause, forward, on a band at the foot of the cover.
    const double band = h * 0.22, y = h - band / 2, t = band * 0.18;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25 * alpha);
    cairo_rectangle(cr, 0, h - band, w, band);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, alpha);
    for (double dir : {-1.0, 1.0}) {
        const double cx = w / 2 + dir * w * 0.28;
        for (double k : {0.0, 1.0}) {
            const double tip = cx + dir * (k * t);
            cairo_move_to(cr, tip + dir * t, y);
            cairo_line_to(cr, tip, y - t);
            cairo_line_to(cr, tip, y + t);
            cairo_close_path(cr);
        }
    }
    cairo_rectangle(cr, w / 2 - 0.9 * t, y - t, 0.6 * t, 2 * t);
    cairo_rectangle(cr, w / 2 + 0.3 * t, y - t, 0.6 * t, 2 * t);
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace

render::Frame renderScreenNow() {
    static const bool painters = [] {
        render::registerViewPainter("SBDashBoardMediaArtworkView", paintArtwork);
        return true;
    }();
    (void)painters;
    render::RenderOptions options;
    options.wallpaper = render::parseWallpaper(wallpaperSetting()).value_or(render::Wallpaper::dark());
    return render::renderScreen(options);
}

namespace {

std::string requirePath(const std::string& path, const char* command) {
    if (path.empty() || path.front() != '/')
        throw std::runtime_error(std::string("usage: ") + command + " PATH (an absolute path)");
    return path;
}

}  // namespace

std::string screenshotCommand(const std::string& path) {
    render::Frame frame = renderScreenNow();
    ns::Result<> written = frame.writePNG(requirePath(path, "screenshot"));
    if (!written) throw std::runtime_error(written.reason());
    return "ok";
}

}  // namespace springboard
