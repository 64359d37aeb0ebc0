#include "Internal.h"

namespace render::detail {

PangoFontMap* fontMap() {
    // One font map for the process, held from a global: its caches of fonts
    // and fontconfig patterns live as long as the process, whatever thread draws.
    static PangoFontMap* const map = pango_cairo_font_map_new();
    return map;
}

Pass::Pass(cairo_t* cr, double now) : cr_(cr), pango_(pango_font_map_create_context(fontMap())), now_(now) {
    pango_cairo_update_context(cr, pango_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(pango_, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(pango_, FALSE);
}

Pass::~Pass() { g_object_unref(pango_); }

PangoFontDescription* fontDescription(const std::string& deviceName, double points) {
    FontFace face = faceForFontName(deviceName);
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, face.family.c_str());
    pango_font_description_set_weight(d, static_cast<PangoWeight>(face.weight));
    pango_font_description_set_style(d, face.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    // Absolute size: one point of the device is one unit of user space.
    pango_font_description_set_absolute_size(d, (points > 0 ? points : 17) * PANGO_SCALE);
    return d;
}

void roundedRect(cairo_t* cr, CGRect r, double radius) {
    double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    radius = std::min(radius, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

}  // namespace render::detail
