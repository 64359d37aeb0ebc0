#include "Internal.h"
#include "renderer/ViewPainters.h"
#include "uikit/Animation.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"

namespace render::detail {

namespace {

// Below this a subtree shows nothing a pixel could hold.
constexpr double kInvisible = 1.0 / 512;

bool hasShownSubview(const id& view) {
    for (const id& sub : ui::subviews(view))
        if (sub && !ui::isHidden(sub)) return true;
    return false;
}

void paintContent(Pass& pass, const id& view, CGSize size, double alpha) {
    if (ViewPainter painter = painterFor(view)) {
        cairo_save(pass.cr());
        painter(pass.cr(), view, size, alpha);
        cairo_restore(pass.cr());
        return;
    }
    if (rt::cast<UILabel>(view)) {
        paintLabel(pass, view, size, alpha);
    } else if (rt::cast<UIImageView>(view)) {
        id image = ui::image(view);
        if (!image) return;
        double scale = ui::scale(image);
        long mode = ui::contentMode(view);
        paintImage(pass.cr(), ui::CGImage(image), scale, CGRect{{0, 0}, size}, mode, alpha);
    }
}

}  // namespace

void paintView(Pass& pass, const id& view) {
    if (!view || ui::isHidden(view)) return;
    const double alpha = ui::presentationAlpha(view, pass.now());
    if (alpha < kInvisible) return;
    const CGRect frame = ui::presentationFrame(view, pass.now());
    const CGSize size = frame.size;

    cairo_t* cr = pass.cr();
    cairo_save(cr);
    cairo_translate(cr, frame.origin.x, frame.origin.y);

    // A translucent view with subviews fades as one picture (overlaps do not
    // show through each other); a leaf just draws with its alpha.
    const bool group = alpha < 1 && hasShownSubview(view);
    const double drawAlpha = group ? 1.0 : alpha;
    if (group) cairo_push_group(cr);

    if (ui::clipsToBounds(view)) {
        cairo_rectangle(cr, 0, 0, size.width, size.height);
        cairo_clip(cr);
    }

    ui::RGBA bg = ui::presentationBackgroundColor(view, pass.now());
    if (bg.a > 0 && size.width > 0 && size.height > 0) {
        cairo_set_source_rgba(cr, bg.r, bg.g, bg.b, bg.a * drawAlpha);
        cairo_rectangle(cr, 0, 0, size.width, size.height);
        cairo_fill(cr);
    }

    paintContent(pass, view, size, drawAlpha);

    const CGPoint origin = ui::bounds(view).origin;
    cairo_translate(cr, -origin.x, -origin.y);
    for (const id& sub : ui::subviews(view)) paintView(pass, sub);

    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

}  // namespace render::detail
