#include <algorithm>
#include <vector>

#include "Internal.h"
#include "foundation/Clock.h"
#include "renderer/LabelFit.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UIView.h"

namespace render::detail {

namespace {

struct ColourRange {
    std::size_t start = 0;  // bytes of the laid-out text
    std::size_t end = 0;
    Colour colour;
};

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

Colour colourOf(const id& color, Colour fallback) {
    auto c = rt::cast<UIColor>(color);
    if (!c) return fallback;
    return Colour{clamp01(c->red), clamp01(c->green), clamp01(c->blue), clamp01(c->alpha)};
}

std::size_t rangeAt(const std::vector<ColourRange>& ranges, std::size_t byte) {
    for (std::size_t i = 0; i < ranges.size(); ++i)
        if (byte < ranges[i].end) return i;
    return ranges.empty() ? 0 : ranges.size() - 1;
}

void setAlignment(PangoLayout* layout, long alignment) {
    // Natural follows the text's own direction; the others are absolute.
    pango_layout_set_auto_dir(layout, alignment == NSTextAlignmentNatural);
    switch (alignment) {
        case NSTextAlignmentCenter: pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER); break;
        case NSTextAlignmentRight: pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT); break;
        case NSTextAlignmentJustified:
            pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
            pango_layout_set_justify(layout, TRUE);
            break;
        default: pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT); break;
    }
}

// The bottom (Pango units) of the layout's line `index`, or of its last line.
int lineBottom(PangoLayout* layout, int index) {
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    int bottom = 0;
    for (int i = 0;; ++i) {
        int top = 0;
        pango_layout_iter_get_line_yrange(it, &top, &bottom);
        if (i == index || !pango_layout_iter_next_line(it)) break;
    }
    pango_layout_iter_free(it);
    return bottom;
}

// How many lines have their bottom inside `height` points (at least one).
int linesFitting(PangoLayout* layout, double height) {
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    int count = 0;
    const int limit = static_cast<int>((height + 0.5) * PANGO_SCALE);
    do {
        int top = 0, bottom = 0;
        pango_layout_iter_get_line_yrange(it, &top, &bottom);
        if (bottom > limit) break;
        ++count;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    return std::max(count, 1);
}

// Draws one shaped run, glyph by glyph in the colour of the text it came
// from. Glyphs of other colours are blanked (their advance kept), so a
// transparent range keeps its width and the rest stays where it was laid out.
void paintRun(cairo_t* cr, const std::vector<ColourRange>& ranges, PangoLayoutRun* run, double x, double baseline,
              double alpha) {
    PangoGlyphString* glyphs = run->glyphs;
    std::vector<std::size_t> owner(static_cast<std::size_t>(glyphs->num_glyphs));
    for (int i = 0; i < glyphs->num_glyphs; ++i)
        owner[i] = rangeAt(ranges, static_cast<std::size_t>(run->item->offset + glyphs->log_clusters[i]));
    std::vector<std::size_t> used = owner;
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());

    for (std::size_t index : used) {
        const Colour& c = ranges[index].colour;
        double a = c.a * alpha;
        if (a <= 0) continue;
        PangoGlyphString* subset = glyphs;
        if (used.size() > 1) {
            subset = pango_glyph_string_copy(glyphs);
            for (int i = 0; i < subset->num_glyphs; ++i)
                if (owner[i] != index) subset->glyphs[i].glyph = PANGO_GLYPH_EMPTY;
        }
        cairo_set_source_rgba(cr, c.r, c.g, c.b, a);
        cairo_move_to(cr, x, baseline);
        pango_cairo_show_glyph_string(cr, run->item->analysis.font, subset);
        if (subset != glyphs) pango_glyph_string_free(subset);
    }
}

// A label's text laid out in `size` as the screen shows it: the lines it
// takes, those drawn (as many as the label allows and its height holds, at
// least one), and the colours of its ranges. No layout for an empty text.
struct LabelLines {
    PangoLayout* layout = nullptr;
    int needed = 0;  // lines at the label's width
    int shown = 0;
    bool truncated = false;  // the last drawn line ends in an ellipsis
    std::vector<ColourRange> ranges;
};

LabelLines layOutLabel(Pass& pass, const id& label, CGSize size, bool countNeeded) {
    LabelLines result;
    std::vector<ui::TextRun> runs = ui::effectiveRuns(label);
    if (runs.empty()) return result;

    id font = ui::font(label);
    std::string fontName = font ? str(ui::fontName(font)) : ".SFUIText";
    double points = font ? ui::pointSize(font) : 17;
    Colour base = colourOf(ui::textColor(label), Colour{0, 0, 0, 1});

    std::string text;
    for (const auto& r : runs) {
        std::size_t start = text.size();
        text += r.text;
        result.ranges.push_back({start, text.size(), r.color ? colourOf(r.color, base) : base});
    }
    if (text.empty()) return result;

    const long maxLines = ui::numberOfLines(label);
    const long mode = ui::lineBreakMode(label);

    const long alignment = ui::textAlignment(label);
    std::string key = format("label\x1f%s\x1f%g\x1f%g\x1f%g\x1f%ld\x1f%ld\x1f%ld\x1f", fontName.c_str(), points,
                             size.width, size.height, alignment, mode, maxLines) + text;
    PangoLayout* layout = keptLayout(pass, key, [&](PangoLayout* l) {
        PangoFontDescription* desc = fontDescription(fontName, points);
        pango_layout_set_font_description(l, desc);
        pango_font_description_free(desc);
        pango_layout_set_text(l, text.data(), static_cast<int>(text.size()));
        setAlignment(l, alignment);
        if (size.width > 0) pango_layout_set_width(l, static_cast<int>(size.width * PANGO_SCALE));
        pango_layout_set_wrap(l, mode == NSLineBreakByCharWrapping ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
    });

    // A kept layout may be ellipsized already (drawing keeps it so, as the
    // next frame draws it so again); a count of the lines the text needs is
    // made on its unshortened form.
    if (countNeeded && pango_layout_get_ellipsize(layout) != PANGO_ELLIPSIZE_NONE) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
        pango_layout_set_height(layout, -1);
    }
    int total = pango_layout_get_line_count(layout);
    result.needed = total;
    int shown = linesFitting(layout, size.height);
    if (maxLines > 0) shown = std::min<int>(shown, static_cast<int>(maxLines));
    shown = std::min(shown, total);
    if (shown < total) {
        PangoEllipsizeMode ellipsis = PANGO_ELLIPSIZE_NONE;
        if (mode == NSLineBreakByTruncatingTail) ellipsis = PANGO_ELLIPSIZE_END;
        if (mode == NSLineBreakByTruncatingHead) ellipsis = PANGO_ELLIPSIZE_START;
        if (mode == NSLineBreakByTruncatingMiddle) ellipsis = PANGO_ELLIPSIZE_MIDDLE;
        if (ellipsis != PANGO_ELLIPSIZE_NONE) {
            pango_layout_set_ellipsize(layout, ellipsis);
            pango_layout_set_height(layout, -shown);
            total = pango_layout_get_line_count(layout);
            shown = std::min(shown, total);
            result.truncated = true;
        }
    }
    result.layout = layout;
    result.shown = shown;
    return result;
}

}  // namespace

void paintLabel(Pass& pass, const id& label, CGSize size, double alpha) {
    if (alpha <= 0) return;
    LabelLines lines = layOutLabel(pass, label, size, false);
    if (!lines.layout) return;
    PangoLayout* layout = lines.layout;
    const int shown = lines.shown;
    const std::vector<ColourRange>& ranges = lines.ranges;

    // The text block is centred vertically in the label, as the device draws it.
    double textHeight = static_cast<double>(lineBottom(layout, shown - 1)) / PANGO_SCALE;
    double top = (size.height - textHeight) / 2;

    cairo_t* cr = pass.cr();
    cairo_save(cr);
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    PangoLayoutLine* current = pango_layout_iter_get_line_readonly(it);
    int lineIndex = 0;
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        if (line != current) {
            current = line;
            ++lineIndex;
        }
        if (lineIndex >= shown) break;
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
        if (!run) continue;
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(it, nullptr, &logical);
        double x = static_cast<double>(logical.x) / PANGO_SCALE;
        double baseline = top + static_cast<double>(pango_layout_iter_get_baseline(it)) / PANGO_SCALE;
        paintRun(cr, ranges, run, x, baseline, alpha);
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    cairo_restore(cr);
}

namespace {
PangoLayout* plainLayout(Pass& pass, const std::string& text, const TextStyle& style, double width) {
    std::string key =
        format("plain\x1f%s\x1f%g\x1f%d\x1f%g\x1f", style.font.c_str(), style.size, style.alignment, width) + text;
    return keptLayout(pass, key, [&](PangoLayout* layout) {
        PangoFontDescription* desc = fontDescription(style.font, style.size);
        pango_layout_set_font_description(layout, desc);
        pango_font_description_free(desc);
        pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
        setAlignment(layout, style.alignment);
        if (width > 0) pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    });
}
}  // namespace

double measureText(Pass& pass, const std::string& text, const TextStyle& style, double width) {
    if (text.empty()) return 0;
    PangoLayout* layout = plainLayout(pass, text, style, width);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    return static_cast<double>(h) / PANGO_SCALE;
}

double textWidth(Pass& pass, const std::string& text, const TextStyle& style) {
    if (text.empty()) return 0;
    PangoLayout* layout = plainLayout(pass, text, style, 0);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    return static_cast<double>(w) / PANGO_SCALE;
}

double paintText(Pass& pass, const std::string& text, const TextStyle& style, CGRect box) {
    if (text.empty()) return 0;
    PangoLayout* layout = plainLayout(pass, text, style, box.size.width);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    cairo_t* cr = pass.cr();
    cairo_save(cr);
    cairo_set_source_rgba(cr, style.colour.r, style.colour.g, style.colour.b, style.colour.a);
    cairo_move_to(cr, box.origin.x, box.origin.y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    return static_cast<double>(h) / PANGO_SCALE;
}

}  // namespace render::detail

namespace render {

LabelFit labelFit(const id& label) {
    LabelFit fit;
    if (!label) return fit;
    // Text lays out the same at every scale (hinting off): one pixel a point will do.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    {
        detail::Pass pass(cr, ns::now());
        CGSize size = ui::frame(label).size;
        detail::LabelLines lines = detail::layOutLabel(pass, label, size, true);
        if (lines.layout) {
            fit.lines = lines.needed;
            fit.shownLines = lines.shown;
            fit.truncated = lines.truncated;
            fit.height = static_cast<double>(detail::lineBottom(lines.layout, lines.shown - 1)) / PANGO_SCALE;
            const double top = (size.height - fit.height) / 2;
            double left = 0, right = 0, high = 0, low = 0;
            bool inked = false;
            PangoLayoutIter* it = pango_layout_get_iter(lines.layout);
            int index = 0;
            do {
                if (index++ >= lines.shown) break;
                PangoRectangle ink, logical;
                pango_layout_iter_get_line_extents(it, &ink, &logical);
                fit.width = std::max(fit.width, static_cast<double>(logical.width) / PANGO_SCALE);
                if (ink.width <= 0 || ink.height <= 0) continue;
                double x0 = static_cast<double>(ink.x) / PANGO_SCALE, y0 = static_cast<double>(ink.y) / PANGO_SCALE;
                double x1 = x0 + static_cast<double>(ink.width) / PANGO_SCALE;
                double y1 = y0 + static_cast<double>(ink.height) / PANGO_SCALE;
                left = inked ? std::min(left, x0) : x0;
                right = inked ? std::max(right, x1) : x1;
                high = inked ? std::min(high, y0) : y0;
                low = inked ? std::max(low, y1) : y1;
                inked = true;
            } while (pango_layout_iter_next_line(it));
            pango_layout_iter_free(it);
            if (inked) {
                fit.inkX = left;
                fit.inkY = top + high;
                fit.inkWidth = right - left;
                fit.inkHeight = low - high;
            }
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return fit;
}

}  // namespace render
