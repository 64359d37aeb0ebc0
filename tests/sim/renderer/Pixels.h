// Looking at rendered frames: screens made of one root view, and where the ink is.
#pragma once

#include <functional>
#include <optional>

#include "renderer/Renderer.h"
#include "uikit/UIKit.h"

namespace rendertest {

struct Box {
    int minX, minY, maxX, maxY;  // inclusive, device pixels
    int width() const { return maxX - minX + 1; }
    int height() const { return maxY - minY + 1; }
};

using PixelTest = std::function<bool(const render::Pixel&)>;

inline bool isWhite(const render::Pixel& p) { return p.r >= 200 && p.g >= 200 && p.b >= 200; }
inline bool isDark(const render::Pixel& p) { return p.r < 80 && p.g < 80 && p.b < 80; }

// A screen of 375 x 667 points with the root view over the wallpaper and
// nothing of the system's (no status bar, no alerts) unless asked.
inline render::Frame renderRoot(const id& root, double scale = 1, std::optional<double> now = std::nullopt,
                                render::Wallpaper wallpaper = render::Wallpaper::dark()) {
    render::RenderOptions o;
    o.width = 375;
    o.height = 667;
    o.scale = scale;
    o.wallpaper = wallpaper;
    o.statusBar.visible = false;
    o.alerts = false;
    o.roots = {root};
    o.now = now ? now : std::optional<double>(1'000'000);
    return render::renderScreen(o);
}

// Pixels passing the test inside (or, with `outside`, outside) a box of points.
inline int count(const render::Frame& f, CGRect points, const PixelTest& test, bool outside = false) {
    const double s = f.scale();
    const int x0 = static_cast<int>(points.origin.x * s), y0 = static_cast<int>(points.origin.y * s);
    const int x1 = static_cast<int>((points.origin.x + points.size.width) * s);
    const int y1 = static_cast<int>((points.origin.y + points.size.height) * s);
    int n = 0;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x) {
            bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            if (inside != outside && test(f.pixel(x, y))) ++n;
        }
    return n;
}

// The smallest box holding every pixel that passes the test; nothing when none does.
inline std::optional<Box> inkBox(const render::Frame& f, const PixelTest& test) {
    std::optional<Box> b;
    for (int y = 0; y < f.height(); ++y)
        for (int x = 0; x < f.width(); ++x) {
            if (!test(f.pixel(x, y))) continue;
            if (!b) b = Box{x, y, x, y};
            b->minX = std::min(b->minX, x);
            b->maxX = std::max(b->maxX, x);
            b->minY = std::min(b->minY, y);
            b->maxY = std::max(b->maxY, y);
        }
    return b;
}

// A transparent full-screen root.
inline id screenRoot() { return ui::makeView(CGRectMake(0, 0, 375, 667)); }

inline id whiteLabel(CGRect frame, std::string_view text, std::string_view font = "PingFangSC-Regular",
                     double size = 30) {
    id l = ui::makeLabel(frame);
    ui::setText(l, NSStr(text));
    ui::setFont(l, ui::fontWithName_size(NSStr(font), size));
    ui::setTextColor(l, ui::whiteColor());
    return l;
}

}  // namespace rendertest
