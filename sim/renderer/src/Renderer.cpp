#include "renderer/Renderer.h"

#include <cmath>

#include "Internal.h"
#include "foundation/RunLoop.h"
#include "uikit/UIDevice.h"
#include "uikit/UIWindow.h"

namespace render {

Frame renderScreen(const RenderOptions& options) {
    const ui::DeviceProfile& profile = ui::deviceProfile();
    const double width = options.width > 0 ? options.width : profile.screenWidth;
    const double height = options.height > 0 ? options.height : profile.screenHeight;
    const double scale = options.scale > 0 ? options.scale : (profile.scale > 0 ? profile.scale : 2);
    const double now = options.now ? *options.now : ns::now();

    Frame frame =
        Frame::uncleared(static_cast<int>(std::lround(width * scale)), static_cast<int>(std::lround(height * scale)), scale);
    if (frame.empty()) return frame;

    cairo_t* cr = cairo_create(frame.surface());
    cairo_scale(cr, scale, scale);
    {
        detail::Pass pass(cr, now, &options.wallpaper, CGSize{width, height});
        // The opaque wallpaper replaces every pixel of the uncleared frame.
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        paintWallpaper(cr, options.wallpaper, width, height);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

        std::vector<id> roots = options.roots;
        if (roots.empty()) roots = ui::windows();
        for (const id& root : roots) detail::paintView(pass, root);

        // The status bar is the system's and stays above the application's windows.
        const bool light = options.wallpaper.kind != Wallpaper::Kind::Light;
        detail::paintStatusBar(pass, options.statusBar, width, profile.statusBarHeight, light);

        if (options.alerts) detail::paintAlerts(pass, width, height);
    }
    cairo_destroy(cr);
    cairo_surface_flush(frame.surface());
    return frame;
}

void drawViewTree(cairo_t* cr, const id& view, double now) {
    detail::Pass pass(cr, now);
    detail::paintView(pass, view);
}

}  // namespace render
