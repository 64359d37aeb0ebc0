#include "Internal.h"

#include <list>
#include <unordered_map>

namespace render::detail {

PangoFontMap* fontMap() {
    // One font map for the process, held from a global: its caches of fonts
    // and fontconfig patterns live as long as the process, whatever thread draws.
    static PangoFontMap* const map = pango_cairo_font_map_new();
    return map;
}

void unhinted(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

namespace {

thread_local Pass* currentPass = nullptr;

// One text context a thread, kept: the layouts kept with it stay valid for
// as long as the passes draw at the same scale.
PangoContext* textContext() {
    thread_local PangoContext* context = [] {
        PangoContext* c = pango_font_map_create_context(fontMap());
        unhinted(c);
        return c;
    }();
    return context;
}

// The layouts kept, most recently used first, at most kKeptLayouts of them;
// they live as long as their thread, like its text context.
constexpr std::size_t kKeptLayouts = 512;
struct Kept {
    std::string key;
    PangoLayout* layout;
};
struct KeptLayouts {
    std::list<Kept> list;
    std::unordered_map<std::string, std::list<Kept>::iterator> index;
};
KeptLayouts& kept() {
    thread_local auto* layouts = new KeptLayouts;
    return *layouts;
}

}  // namespace

PangoLayout* keptLayout(Pass& pass, const std::string& key, const std::function<void(PangoLayout*)>& configure) {
    KeptLayouts& k = kept();
    if (auto it = k.index.find(key); it != k.index.end()) {
        k.list.splice(k.list.begin(), k.list, it->second);
        return k.list.front().layout;
    }
    PangoLayout* layout = pango_layout_new(pass.pango());
    configure(layout);
    k.list.push_front({key, layout});
    k.index[key] = k.list.begin();
    if (k.list.size() > kKeptLayouts) {
        k.index.erase(k.list.back().key);
        g_object_unref(k.list.back().layout);
        k.list.pop_back();
    }
    return layout;
}

Pass::Pass(cairo_t* cr, double now, const Wallpaper* wallpaper, CGSize screen)
    : cr_(cr),
      pango_(textContext()),
      now_(now),
      wallpaper_(wallpaper),
      screen_(screen),
      outer_(currentPass) {
    // Told again only when the drawing's scale changes: each telling counts as
    // a change of the context, which lays every kept text out anew.
    thread_local cairo_matrix_t told{};
    thread_local bool toldOnce = false;
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    if (!toldOnce || matrix.xx != told.xx || matrix.yy != told.yy || matrix.xy != told.xy || matrix.yx != told.yx) {
        pango_cairo_update_context(cr, pango_);
        told = matrix;
        toldOnce = true;
    }
    currentPass = this;
}

Pass::~Pass() { currentPass = outer_; }

Pass* Pass::current() { return currentPass; }

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
