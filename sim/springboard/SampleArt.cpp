#include "SampleArt.h"

#include <cairo.h>

#include <cmath>
#include <map>
#include <tuple>

#include "renderer/Frame.h"

namespace springboard {

namespace {

void rounded(cairo_t* cr, double s, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, s - r, r, r, -M_PI / 2, 0);
    cairo_arc(cr, s - r, s - r, r, 0, M_PI / 2);
    cairo_arc(cr, r, s - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void gradient(cairo_t* cr, double s, const double top[3], const double bottom[3]) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, s);
    cairo_pattern_add_color_stop_rgb(p, 0, top[0], top[1], top[2]);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom[0], bottom[1], bottom[2]);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
}

// Drawn in a unit square (scaled to the icon's size).
void drawIcon(cairo_t* cr, AppIcon icon) {
    switch (icon) {
        case AppIcon::Messages: {
            const double top[3] = {0.40, 0.87, 0.42}, bottom[3] = {0.10, 0.72, 0.22};
            gradient(cr, 1, top, bottom);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_save(cr);
            cairo_translate(cr, 0.5, 0.47);
            cairo_scale(cr, 0.36, 0.29);
            cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(cr);
            cairo_fill(cr);
            cairo_move_to(cr, 0.27, 0.62);
            cairo_curve_to(cr, 0.27, 0.72, 0.22, 0.78, 0.18, 0.8);
            cairo_curve_to(cr, 0.3, 0.8, 0.37, 0.75, 0.4, 0.71);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        }
        case AppIcon::Calendar: {
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_paint(cr);
            cairo_set_source_rgb(cr, 0.96, 0.26, 0.21);
            cairo_rectangle(cr, 0, 0, 1, 0.28);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 4; ++col) {
                    cairo_arc(cr, 0.2 + col * 0.2, 0.45 + row * 0.17, 0.045, 0, 2 * M_PI);
                    cairo_fill(cr);
                }
            break;
        }
        case AppIcon::Mail: {
            const double top[3] = {0.29, 0.68, 1.0}, bottom[3] = {0.07, 0.45, 0.93};
            gradient(cr, 1, top, bottom);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_rectangle(cr, 0.18, 0.3, 0.64, 0.42);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0.07, 0.45, 0.93);
            cairo_set_line_width(cr, 0.05);
            cairo_move_to(cr, 0.18, 0.31);
            cairo_line_to(cr, 0.5, 0.55);
            cairo_line_to(cr, 0.82, 0.31);
            cairo_stroke(cr);
            break;
        }
        case AppIcon::Other: {
            const double top[3] = {0.62, 0.64, 0.68}, bottom[3] = {0.40, 0.42, 0.47};
            gradient(cr, 1, top, bottom);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_translate(cr, 0.25, 0.25);
            rounded(cr, 0.5, 0.12);
            cairo_fill(cr);
            break;
        }
    }
}

void drawArtwork(cairo_t* cr) {
    const double top[3] = {0.93, 0.36, 0.40}, bottom[3] = {0.42, 0.22, 0.72};
    gradient(cr, 1, top, bottom);
    // Soft rings behind a quaver: head, stem and flag.
    cairo_set_line_width(cr, 0.02);
    for (int i = 1; i <= 3; ++i) {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
        cairo_arc(cr, 0.5, 0.5, 0.14 * i + 0.05, 0, 2 * M_PI);
        cairo_stroke(cr);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.92);
    cairo_save(cr);
    cairo_translate(cr, 0.44, 0.62);
    cairo_scale(cr, 1.3, 1);
    cairo_arc(cr, 0, 0, 0.08, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_rectangle(cr, 0.528, 0.28, 0.03, 0.34);
    cairo_fill(cr);
    cairo_move_to(cr, 0.558, 0.28);
    cairo_curve_to(cr, 0.66, 0.36, 0.70, 0.42, 0.64, 0.52);
    cairo_curve_to(cr, 0.66, 0.43, 0.62, 0.38, 0.558, 0.37);
    cairo_close_path(cr);
    cairo_fill(cr);
}

template <class Draw>
CGImageRef picture(double points, double scale, double cornerShare, Draw draw) {
    const int side = std::max(1, static_cast<int>(std::lround(points * scale)));
    render::Frame frame(side, side, scale);
    cairo_t* cr = cairo_create(frame.surface());
    cairo_scale(cr, side, side);
    rounded(cr, 1, cornerShare);
    cairo_clip(cr);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(frame.surface());
    return frame.toImage();
}

}  // namespace

CGImageRef appIconImage(AppIcon icon, double points, double scale) {
    static std::map<std::tuple<AppIcon, double, double>, CGImageRef> made;
    CGImageRef& image = made[{icon, points, scale}];
    // The icon's corners: 5 points at 20 (the platter's icon), in proportion.
    if (!image) image = picture(points, scale, 0.25, [icon](cairo_t* cr) { drawIcon(cr, icon); });
    return image;
}

CGImageRef sampleArtworkImage(double points, double scale) {
    static std::map<std::pair<double, double>, CGImageRef> made;
    CGImageRef& image = made[{points, scale}];
    if (!image) image = picture(points, scale, 0.03, drawArtwork);
    return image;
}

}  // namespace springboard
