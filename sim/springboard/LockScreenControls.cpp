#include "LockScreenControls.h"

#include "HostClass.h"
#include "Legibility.h"
#include "LockScreen.h"
#include "LockScreenFigures.h"
#include "LockState.h"
#include "renderer/Glyphs.h"
#include "renderer/Material.h"
#include "renderer/ViewPainters.h"
#include "uikit/UIColor.h"
#include "uikit/UIDevice.h"
#include "uikit/UIView.h"

namespace springboard {

namespace {

enum QuickAction : long { kFlashlight = 1, kCamera = 2 };

void legible(cairo_t* cr, double alpha) {
    auto c = rt::cast<UIColor>(legibilityPrimaryColor());
    cairo_set_source_rgba(cr, c->red, c->green, c->blue, alpha);
}

// Today, the main page (the one shown) and the camera's glyph.
void paintPageDots(cairo_t* cr, const id&, CGSize size, double alpha) {
    const double d = std::min(7.0, size.height), step = size.width / 3, y = size.height / 2;
    for (int i = 0; i < 2; ++i) {
        legible(cr, (i == 1 ? 1.0 : 0.45) * alpha);
        cairo_arc(cr, step * (i + 0.5), y, d / 2, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    legible(cr, 0.45 * alpha);
    render::paintCamera(cr, CGRect{{step * 2.5 - size.height / 2, 0}, {size.height, size.height}});
}

void paintHomeIndicator(cairo_t* cr, const id&, CGSize size, double alpha) {
    legible(cr, alpha);
    const double r = size.height / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, r, r, r, M_PI / 2, 3 * M_PI / 2);
    cairo_arc(cr, size.width - r, r, r, -M_PI / 2, M_PI / 2);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// A round button of the dark material with its white glyph.
void paintQuickAction(cairo_t* cr, const id& view, CGSize size, double alpha) {
    render::Material m;
    m.cornerRadius = size.width / 2;
    m.tint[0] = m.tint[1] = m.tint[2] = 0;
    m.tint[3] = 0.28;
    render::paintMaterial(cr, CGRect{{0, 0}, size}, m, alpha);
    cairo_set_source_rgba(cr, 1, 1, 1, alpha);
    const double g = size.width * 0.44;
    CGRect box{{(size.width - g) / 2, (size.height - g) / 2}, {g, g}};
    if (ui::tag(view) == kCamera)
        render::paintCamera(cr, box);
    else
        render::paintFlashlight(cr, box);
}

void paintProudLock(cairo_t* cr, const id&, CGSize size, double alpha) {
    legible(cr, alpha);
    render::paintPadlock(cr, CGRect{{0, 0}, size}, lockState() == LockState::Unlocked);
}

id control(const char* cls, CGRect frame) { return ui::makeView(rt::objc_getClass(cls), frame); }

}  // namespace

void addLockScreenControls(const id& page) {
    const LockScreenFigures& f = figures();
    const double w = ui::deviceProfile().screenWidth, h = ui::deviceProfile().screenHeight;
    if (f.homeButton) {
        ui::addSubview(page, control("SBDashBoardPageControl",
                                     CGRectMake((w - f.pageDots.width) / 2, h - f.pageDotsBottom - f.pageDots.height,
                                                f.pageDots.width, f.pageDots.height)));
        return;
    }
    const double s = f.proudLockSize, lockMid = f.statusBarHeight + f.proudLockBelowStatusBar;
    id lock = control("SBUIProudLockIconView", CGRectMake((w - s) / 2, lockMid - s / 2, s, s));
    lockScreen().proudLock = lock;
    ui::addSubview(page, lock);

    const double d = f.quickActionDiameter;
    id actions = control("SBDashBoardQuickActionsView", CGRectMake(0, h - f.quickActionAbove - d / 2, w, d));
    for (auto [kind, centre] : {std::pair{kFlashlight, f.quickActionInset}, std::pair{kCamera, w - f.quickActionInset}}) {
        id button = control("SBDashBoardQuickActionsButton", CGRectMake(centre - d / 2, 0, d, d));
        ui::setTag(button, kind);
        ui::addSubview(actions, button);
    }
    ui::addSubview(page, actions);
    ui::addSubview(page, control("SBHomeGrabberView",
                                 CGRectMake((w - f.homeIndicator.width) / 2, h - f.homeIndicatorBottom - f.homeIndicator.height,
                                            f.homeIndicator.width, f.homeIndicator.height)));
}

void registerControlPainters() {
    render::registerViewPainter("SBDashBoardPageControl", paintPageDots);
    render::registerViewPainter("SBHomeGrabberView", paintHomeIndicator);
    render::registerViewPainter("SBDashBoardQuickActionsButton", paintQuickAction);
    render::registerViewPainter("SBUIProudLockIconView", paintProudLock);
}

std::vector<HostClass> controlClasses() {
    return {
        {"SBDashBoardPageControl", "UIView", {}, {}},
        // The phone without a home button came with 11; a device table that
        // gave it 10 would still find its classes.
        {"SBUIProudLockIconView", "UIView", {}, {}},
        {"SBDashBoardQuickActionsView", "UIView", {}, {}},
        {"SBDashBoardQuickActionsButton", "UIView", {}, {}},
        {"SBHomeGrabberView", "UIView", {}, {}},
    };
}

}  // namespace springboard
