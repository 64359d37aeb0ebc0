// What the renderer's sources share: one drawing pass and its helpers.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <functional>
#include <string>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"
#include "graphics/Image.h"
#include "renderer/FontMap.h"
#include "renderer/Renderer.h"

namespace render::detail {

struct Colour {
    double r = 0, g = 0, b = 0, a = 0;
};

// One drawing pass over a context whose user space is points. The Pango
// context is made for it with hinting off, so text lays out the same at
// every scale. A screen's pass knows its wallpaper (what materials blur);
// a view tree drawn alone has none.
class Pass {
public:
    Pass(cairo_t* cr, double now, const Wallpaper* wallpaper = nullptr, CGSize screen = {});
    ~Pass();
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    cairo_t* cr() const { return cr_; }
    PangoContext* pango() const { return pango_; }
    double now() const { return now_; }
    const Wallpaper* wallpaper() const { return wallpaper_; }
    CGSize screen() const { return screen_; }
    // The pass drawing on this thread now (painters run inside one); nothing outside a pass.
    static Pass* current();

private:
    cairo_t* cr_;
    PangoContext* pango_;
    double now_;
    const Wallpaper* wallpaper_;
    CGSize screen_;
    Pass* outer_;
};

// Text laid out as the passes lay it out: hinting off, positions unrounded.
void unhinted(PangoContext* context);

// Laid-out text kept from frame to frame: shaping is most of what text costs,
// and a label's text changes far less often than the screen is drawn. `key`
// names everything the layout depends on; `configure` sets up a new one. The
// layout belongs to the pass's text context; the caller does not free it.
PangoLayout* keptLayout(Pass& pass, const std::string& key, const std::function<void(PangoLayout*)>& configure);

// The renderer's fonts.
PangoFontMap* fontMap();
// A Pango font description for a device font name at a size in points (caller frees).
PangoFontDescription* fontDescription(const std::string& deviceName, double points);

// Views (ViewTree.cpp).
void paintView(Pass& pass, const id& view);
// Labels (LabelText.cpp): the label's text in (0, 0, size) with the opacity given.
void paintLabel(Pass& pass, const id& label, CGSize size, double alpha);
// Plain text in one colour laid out in a box; answers the height used.
struct TextStyle {
    std::string font = ".SFUIText";
    double size = 17;
    Colour colour{0, 0, 0, 1};
    int alignment = 0;  // 0 left, 1 centre, 2 right
};
double paintText(Pass& pass, const std::string& text, const TextStyle& style, CGRect box);
double measureText(Pass& pass, const std::string& text, const TextStyle& style, double width);
// The width of one unwrapped line of the text.
double textWidth(Pass& pass, const std::string& text, const TextStyle& style);

// Images (ImageCache.cpp): a Cairo surface over the image's pixels, cached
// while the image lives; nothing for no or an empty image. Caller does not free.
cairo_surface_t* surfaceForImage(const CGImageRef& image);
// Draws the image (pixels per point `imageScale`) into `box` with the toolkit's content mode.
void paintImage(cairo_t* cr, const CGImageRef& image, double imageScale, CGRect box, long contentMode, double alpha);

// A rounded rectangle path.
void roundedRect(cairo_t* cr, CGRect r, double radius);

// The status bar (StatusBar.cpp): light content (white) on dark wallpapers.
void paintStatusBar(Pass& pass, const StatusBarContent& content, double width, double height, bool lightContent);
// The shown alerts (Alert.cpp): the screen dimmed and the newest alert's card centred.
void paintAlerts(Pass& pass, double width, double height);

}  // namespace render::detail
