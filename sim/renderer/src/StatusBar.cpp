#include <algorithm>
#include <cmath>

#include "Internal.h"
#include "foundation/DateFormatter.h"
#include "renderer/Glyphs.h"

namespace render::detail {

namespace {

// The glyphs' sizes: the classic bar's band of content is 11 points tall in
// a 20-point bar (design kits); the ears' items are larger (estimates).
struct Sizes {
    double text, band, gap, edge;
};
constexpr Sizes kClassic{12, 11, 4, 6};
constexpr Sizes kEars{15, 12, 5, 0};

std::string clockText(double now) {
    NSDateFormatter formatter;
    formatter.setDateFormat("H:mm");
    return formatter.stringFromDate(now);
}

void ink(cairo_t* cr, const Colour& c, double alpha = 1) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a * alpha); }

// Reception from the left edge `x`; answers the right edge.
double paintSignal(cairo_t* cr, const StatusBarContent& c, const Colour& colour, double x, double mid, double band) {
    const int level = std::clamp(c.signal, 0, 4);
    if (c.signalDots) {
        // Five dots; full reception fills them all.
        const int filled = static_cast<int>(std::lround(level * 5 / 4.0));
        const double d = band / 2;
        for (int i = 0; i < 5; ++i) {
            cairo_new_path(cr);
            cairo_arc(cr, x + d / 2, mid, d / 2 - (i < filled ? 0 : 0.5), 0, 2 * M_PI);
            ink(cr, colour);
            if (i < filled) {
                cairo_fill(cr);
            } else {
                cairo_set_line_width(cr, 1);
                cairo_stroke(cr);
            }
            x += d + 1;
        }
        return x;
    }
    const double w = band * 0.25, step = w + band * 0.12;
    for (int i = 0; i < 4; ++i) {
        const double h = band * (0.35 + 0.65 * i / 3.0) * 0.9;
        roundedRect(cr, CGRect{{x, mid + band * 0.45 - h}, {w, h}}, w / 3);
        ink(cr, colour, i < level ? 1 : 0.3);
        cairo_fill(cr);
        x += step;
    }
    return x;
}

double paintWifi(cairo_t* cr, const Colour& colour, double x, double mid, double band) {
    const double r = band * 0.95, cx = x + r * 0.75, cy = mid + band * 0.45;
    ink(cr, colour);
    cairo_set_line_width(cr, band * 0.16);
    for (int i = 0; i < 3; ++i) {
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, r * (1 - i * 0.32), -3 * M_PI / 4, -M_PI / 4);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy - band * 0.08, band * 0.12, 0, 2 * M_PI);
    cairo_fill(cr);
    return x + r * 1.5;
}

void paintBolt(cairo_t* cr, double x, double mid, double h) {
    cairo_move_to(cr, x + h * 0.35, mid - h / 2);
    cairo_line_to(cr, x, mid + h * 0.08);
    cairo_line_to(cr, x + h * 0.25, mid + h * 0.08);
    cairo_line_to(cr, x + h * 0.15, mid + h / 2);
    cairo_line_to(cr, x + h * 0.5, mid - h * 0.1);
    cairo_line_to(cr, x + h * 0.25, mid - h * 0.1);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// The battery ending at `right`; answers its left edge. Charging fills it
// green with a bolt beside it (classic) or over it (ears); a low charge
// not charging is red.
double paintBattery(cairo_t* cr, const StatusBarContent& c, const Colour& colour, double right, double mid,
                    double band, bool ears) {
    const double level = std::clamp(c.batteryLevel, 0.0, 1.0);
    const double bw = band * 2.2, bh = band * 1.05, bx = right - 2 - bw, by = mid - bh / 2;
    ink(cr, colour, 0.5);
    cairo_set_line_width(cr, 1);
    roundedRect(cr, CGRect{{bx + 0.5, by + 0.5}, {bw - 1, bh - 1}}, bh * 0.22);
    cairo_stroke(cr);
    cairo_rectangle(cr, bx + bw + 0.5, mid - bh * 0.18, 1.5, bh * 0.36);
    cairo_fill(cr);
    if (c.charging)
        cairo_set_source_rgba(cr, 0.30, 0.85, 0.39, 1);
    else if (level <= 0.2)
        cairo_set_source_rgba(cr, 1, 0.23, 0.19, 1);
    else
        ink(cr, colour);
    roundedRect(cr, CGRect{{bx + 2, by + 2}, {(bw - 4) * level, bh - 4}}, bh * 0.13);
    cairo_fill(cr);
    if (!c.charging) return bx;
    ink(cr, colour);
    if (ears) {
        paintBolt(cr, bx + bw / 2 - bh * 0.3, mid, bh * 0.8);
        return bx;
    }
    paintBolt(cr, bx - bh * 0.65, mid, bh);
    return bx - bh * 0.7;
}

void paintCentre(Pass& pass, const StatusBarContent& c, const Colour& colour, double width, double mid,
                 const Sizes& sizes) {
    cairo_t* cr = pass.cr();
    if (c.centre == StatusBarContent::Centre::Time) {
        std::string time = c.time.empty() ? clockText(pass.now()) : c.time;
        TextStyle clock{".SFUIText-Semibold", sizes.text, colour, 1};
        double h = measureText(pass, time, clock, width);
        paintText(pass, time, clock, CGRect{{0, mid - h / 2}, {width, h}});
    } else if (c.centre != StatusBarContent::Centre::Nothing) {
        ink(cr, colour);
        const double side = sizes.band * 1.15;
        paintPadlock(cr, CGRect{{width / 2 - side / 2, mid - side / 2}, {side, side}},
                     c.centre == StatusBarContent::Centre::OpenPadlock);
    }
}

}  // namespace

void paintStatusBar(Pass& pass, const StatusBarContent& content, double width, double height, bool lightContent) {
    if (!content.visible || height <= 0) return;
    cairo_t* cr = pass.cr();
    const Colour colour = lightContent ? Colour{1, 1, 1, 1} : Colour{0, 0, 0, 1};
    const bool ears = content.housingWidth > 0;
    const Sizes& sz = ears ? kEars : kClassic;
    cairo_save(cr);
    if (!ears) {
        const double mid = height / 2;
        double x = paintSignal(cr, content, colour, sz.edge, mid, sz.band) + 3;
        TextStyle carrier{".SFUIText", sz.text, colour, 0};
        double h = measureText(pass, content.carrier, carrier, 0);
        paintText(pass, content.carrier, carrier, CGRect{{x, mid - h / 2}, {width / 2 - x - 30, h}});
        if (content.wifi) {
            const double after = std::min(x + textWidth(pass, content.carrier, carrier) + sz.gap, width / 2 - 40);
            paintWifi(cr, colour, after, mid, sz.band);
        }
        paintCentre(pass, content, colour, width, mid, sz);
        double left = paintBattery(cr, content, colour, width - sz.edge, mid, sz.band, false);
        if (content.batteryPercent) {
            std::string percent = std::to_string(static_cast<int>(std::lround(std::clamp(content.batteryLevel, 0.0, 1.0) * 100))) + "%";
            TextStyle right{".SFUIText", sz.text, colour, 2};
            h = measureText(pass, percent, right, 0);
            paintText(pass, percent, right, CGRect{{left - 3 - 80, mid - h / 2}, {80, h}});
        }
    } else {
        // Each ear's items are centred on the housing's middle height band.
        const double ear = (width - content.housingWidth) / 2, mid = height * 0.4;
        TextStyle carrier{".SFUIText-Semibold", sz.text, colour, 1};
        double h = measureText(pass, content.carrier, carrier, ear);
        paintText(pass, content.carrier, carrier, CGRect{{0, mid - h / 2}, {ear, h}});
        const double right = width - ear;
        const double items = 4 * sz.band * 0.37 + sz.gap + sz.band * 1.45 * (content.wifi ? 1 : 0) + sz.gap + sz.band * 2.2 + 4;
        double x = right + (ear - items) / 2;
        x = paintSignal(cr, content, colour, x, mid, sz.band) + sz.gap;
        if (content.wifi) x = paintWifi(cr, colour, x, mid, sz.band) + sz.gap;
        paintBattery(cr, content, colour, x + sz.band * 2.2 + 4, mid, sz.band, true);
    }
    cairo_restore(cr);
}

}  // namespace render::detail
