#include <algorithm>
#include <cmath>

#include "Internal.h"
#include "foundation/DateFormatter.h"

namespace render::detail {

namespace {
std::string clockText(double now) {
    NSDateFormatter formatter;
    formatter.setDateFormat("H:mm");
    return formatter.stringFromDate(now);
}
}  // namespace

void paintStatusBar(Pass& pass, const StatusBarContent& content, double width, double height, bool lightContent) {
    if (!content.visible || height <= 0) return;
    cairo_t* cr = pass.cr();
    const Colour ink = lightContent ? Colour{1, 1, 1, 1} : Colour{0, 0, 0, 1};
    const double mid = height / 2;
    cairo_save(cr);

    // Signal: five dots, then the carrier's name.
    double x = 6;
    for (int i = 0; i < 5; ++i) {
        cairo_arc(cr, x + 2.75, mid, 2.75, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, ink.r, ink.g, ink.b, i < 4 ? 1.0 : 0.35);
        cairo_fill(cr);
        x += 6.5;
    }
    TextStyle carrier{".SFUIText", 12, ink, 0};
    double textHeight = measureText(pass, content.carrier, carrier, 0);
    paintText(pass, content.carrier, carrier, CGRect{{x + 2, mid - textHeight / 2}, {width / 2 - x - 40, textHeight}});

    // The time, centred.
    std::string time = content.time.empty() ? clockText(pass.now()) : content.time;
    TextStyle clock{".SFUIText-Semibold", 12, ink, 1};
    textHeight = measureText(pass, time, clock, width);
    paintText(pass, time, clock, CGRect{{0, mid - textHeight / 2}, {width, textHeight}});

    // The battery: outline, cap and a fill as long as the charge.
    const double level = std::clamp(content.batteryLevel, 0.0, 1.0);
    const double bw = 24, bh = 11.5, bx = width - 6 - 2 - bw, by = mid - bh / 2;
    cairo_set_source_rgba(cr, ink.r, ink.g, ink.b, 0.5);
    cairo_set_line_width(cr, 1);
    roundedRect(cr, CGRect{{bx + 0.5, by + 0.5}, {bw - 1, bh - 1}}, 2.5);
    cairo_stroke(cr);
    cairo_rectangle(cr, bx + bw + 0.5, mid - 2, 1.5, 4);
    cairo_fill(cr);
    const bool low = level < 0.2 && !content.charging;
    if (low)
        cairo_set_source_rgba(cr, 1, 0.23, 0.19, 1);
    else
        cairo_set_source_rgba(cr, ink.r, ink.g, ink.b, 1);
    roundedRect(cr, CGRect{{bx + 2, by + 2}, {(bw - 4) * level, bh - 4}}, 1.5);
    cairo_fill(cr);

    std::string percent = std::to_string(static_cast<int>(std::lround(level * 100))) + " %";
    if (content.charging) percent = "\u26A1 " + percent;
    TextStyle right{".SFUIText", 12, ink, 2};
    textHeight = measureText(pass, percent, right, 0);
    paintText(pass, percent, right, CGRect{{bx - 4 - 80, mid - textHeight / 2}, {80, textHeight}});
    cairo_restore(cr);
}

}  // namespace render::detail
