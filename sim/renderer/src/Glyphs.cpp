#include "renderer/Glyphs.h"

#include <algorithm>
#include <cmath>

#include "Internal.h"

namespace render {

namespace {

// The glyph's unit square: the largest square centred in the box.
struct Square {
    double x, y, s;
    double X(double u) const { return x + u * s; }
    double Y(double v) const { return y + v * s; }
};
Square square(CGRect box) {
    double s = std::min(box.size.width, box.size.height);
    return {box.origin.x + (box.size.width - s) / 2, box.origin.y + (box.size.height - s) / 2, s};
}

void triangle(cairo_t* cr, double tipX, double tipY, double baseX, double halfHeight) {
    cairo_move_to(cr, tipX, tipY);
    cairo_line_to(cr, baseX, tipY - halfHeight);
    cairo_line_to(cr, baseX, tipY + halfHeight);
    cairo_close_path(cr);
}

}  // namespace

void paintPadlock(cairo_t* cr, CGRect box, bool open) {
    Square q = square(box);
    cairo_save(cr);
    // The body: a rounded block in the lower half.
    detail::roundedRect(cr, CGRect{{q.X(0.18), q.Y(0.45)}, {0.64 * q.s, 0.5 * q.s}}, 0.08 * q.s);
    cairo_fill(cr);
    // The shackle: an arch over the body, lifted off its right post when open.
    const double r = 0.22 * q.s, lift = open ? 0.12 * q.s : 0;
    cairo_set_line_width(cr, 0.1 * q.s);
    cairo_new_path(cr);
    cairo_move_to(cr, q.X(0.28), q.Y(0.47) - lift);
    cairo_line_to(cr, q.X(0.28), q.Y(0.3) - lift);
    cairo_arc(cr, q.X(0.5), q.Y(0.3) - lift, r, M_PI, 2 * M_PI);
    cairo_line_to(cr, q.X(0.72), open ? q.Y(0.32) - lift : q.Y(0.47));
    cairo_stroke(cr);
    cairo_restore(cr);
}

void paintCamera(cairo_t* cr, CGRect box) {
    Square q = square(box);
    cairo_save(cr);
    // Even-odd: the lens is a ring cut out of the body, its glass filled again.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    detail::roundedRect(cr, CGRect{{q.X(0.05), q.Y(0.27)}, {0.9 * q.s, 0.6 * q.s}}, 0.1 * q.s);
    cairo_rectangle(cr, q.X(0.34), q.Y(0.17), 0.32 * q.s, 0.1 * q.s);
    cairo_new_sub_path(cr);
    cairo_arc(cr, q.X(0.5), q.Y(0.57), 0.2 * q.s, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, q.X(0.5), q.Y(0.57), 0.12 * q.s, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_restore(cr);
}

void paintFlashlight(cairo_t* cr, CGRect box) {
    Square q = square(box);
    cairo_save(cr);
    // The head widens over the body; the switch is a slot cut in the body.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_move_to(cr, q.X(0.3), q.Y(0.05));
    cairo_line_to(cr, q.X(0.7), q.Y(0.05));
    cairo_line_to(cr, q.X(0.7), q.Y(0.2));
    cairo_line_to(cr, q.X(0.62), q.Y(0.34));
    cairo_line_to(cr, q.X(0.38), q.Y(0.34));
    cairo_line_to(cr, q.X(0.3), q.Y(0.2));
    cairo_close_path(cr);
    detail::roundedRect(cr, CGRect{{q.X(0.38), q.Y(0.36)}, {0.24 * q.s, 0.59 * q.s}}, 0.04 * q.s);
    detail::roundedRect(cr, CGRect{{q.X(0.46), q.Y(0.46)}, {0.08 * q.s, 0.14 * q.s}}, 0.04 * q.s);
    cairo_fill(cr);
    cairo_restore(cr);
}

void paintTransport(cairo_t* cr, CGRect box, Transport what) {
    Square q = square(box);
    cairo_save(cr);
    switch (what) {
        case Transport::Play: triangle(cr, q.X(0.85), q.Y(0.5), q.X(0.2), 0.38 * q.s); break;
        case Transport::Pause:
            detail::roundedRect(cr, CGRect{{q.X(0.22), q.Y(0.12)}, {0.2 * q.s, 0.76 * q.s}}, 0.04 * q.s);
            detail::roundedRect(cr, CGRect{{q.X(0.58), q.Y(0.12)}, {0.2 * q.s, 0.76 * q.s}}, 0.04 * q.s);
            break;
        case Transport::Backward:
        case Transport::Forward: {
            const double dir = what == Transport::Forward ? 1 : -1;
            for (double k : {0.0, 1.0}) {
                const double base = q.X(0.5) + dir * (k - 1) * 0.45 * q.s;
                triangle(cr, base + dir * 0.45 * q.s, q.Y(0.5), base, 0.3 * q.s);
            }
            break;
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

void paintSpeaker(cairo_t* cr, CGRect box, int waves) {
    Square q = square(box);
    cairo_save(cr);
    cairo_move_to(cr, q.X(0.05), q.Y(0.36));
    cairo_line_to(cr, q.X(0.22), q.Y(0.36));
    cairo_line_to(cr, q.X(0.45), q.Y(0.15));
    cairo_line_to(cr, q.X(0.45), q.Y(0.85));
    cairo_line_to(cr, q.X(0.22), q.Y(0.64));
    cairo_line_to(cr, q.X(0.05), q.Y(0.64));
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.07 * q.s);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < std::clamp(waves, 0, 3); ++i) {
        cairo_new_path(cr);
        cairo_arc(cr, q.X(0.45), q.Y(0.5), (0.16 + 0.14 * i) * q.s, -M_PI / 4, M_PI / 4);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

}  // namespace render
