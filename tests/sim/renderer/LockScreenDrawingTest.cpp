// What the renderer draws for the stock lock screen: the system font's cuts,
// baselines where a label's metrics say, the status bar's two layouts, and
// the blurred material made once per place.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>

#include "Pixels.h"
#include "renderer/FontMap.h"
#include "renderer/Material.h"
#include "renderer/ViewPainters.h"

namespace {

using namespace rendertest;

TEST(SystemFont, TheDisplayCutIsInterDisplayOfTheSameWeight) {
    EXPECT_EQ(render::faceForFontName(".SFUIDisplay-Thin"), (render::FontFace{"Inter Display", 100, false}));
    EXPECT_EQ(render::faceForFontName(".SFUIDisplay"), (render::FontFace{"Inter Display", 400, false}));
    EXPECT_EQ(render::faceForFontName(".SFUIText-Semibold"), (render::FontFace{"Inter", 600, false}));
    EXPECT_NE(render::fontFileFor(render::faceForFontName(".SFUIDisplay-Thin")).find("InterDisplay-Thin."), std::string::npos);
}

// The flat foot of a digit is its baseline: it lands where labelBaseline says,
// whatever the label's height, within a point.
TEST(LabelBaseline, IsWhereTheDigitsStand) {
    struct Case {
        const char* font;
        double size, height;
    };
    for (Case c : {Case{".SFUIDisplay-Thin", 76, 92}, Case{".SFUIDisplay-Thin", 106, 200}, Case{".SFUIDisplay", 22, 30},
                   Case{".SFUIText-Semibold", 17, 21}}) {
        SCOPED_TRACE(std::string(c.font) + " " + std::to_string(c.size));
        id root = screenRoot();
        const CGRect frame = CGRectMake(0, 100, 375, c.height);
        ui::addSubview(root, whiteLabel(frame, "1111", c.font, c.size));  // flat feet: no overshoot
        render::Frame f = renderRoot(root, 2);
        auto ink = inkBox(f, [](const render::Pixel& p) { return p.r > 128; });
        ASSERT_TRUE(ink);
        const double foot = (ink->maxY + 1) / 2.0;
        EXPECT_NEAR(foot, 100 + render::labelBaseline(c.font, c.size, c.height), 1.0);
        // One line fills the line's height from the metrics: the label centres it.
        render::LineMetrics m = render::lineMetrics(c.font, c.size);
        EXPECT_NEAR(render::labelBaseline(c.font, c.size, m.height), m.baseline, 1e-9);
    }
    EXPECT_EQ(render::wrappedLines("", ".SFUIText", 15, 100), 1);
    EXPECT_EQ(render::wrappedLines("short", ".SFUIText", 15, 300), 1);
    EXPECT_GE(render::wrappedLines("a longer text that cannot stand on one narrow line", ".SFUIText", 15, 100), 3);
}

render::Frame withStatusBar(const render::StatusBarContent& bar, double width, double height) {
    render::RenderOptions o;
    o.width = width;
    o.height = height;
    o.scale = 1;
    o.statusBar = bar;
    o.alerts = false;
    o.roots = {ui::makeView(CGRectMake(0, 0, width, height))};
    o.now = 1'000'000;
    return render::renderScreen(o);
}

int differing(const render::Frame& a, const render::Frame& b, CGRect area) {
    int n = 0;
    for (int y = static_cast<int>(area.origin.y); y < CGRectGetMaxY(area); ++y)
        for (int x = static_cast<int>(area.origin.x); x < CGRectGetMaxX(area); ++x) n += a.pixel(x, y) == b.pixel(x, y) ? 0 : 1;
    return n;
}

TEST(StatusBar, BesideAHousingItDrawsInTheEarsAndNothingUnderTheHousing) {
    ui::DeviceProfile profile;
    profile.screenWidth = 375;
    profile.screenHeight = 812;
    profile.statusBarHeight = 44;
    ui::configureDevice(profile);
    render::StatusBarContent none;
    none.visible = false;
    render::StatusBarContent ears;
    ears.housingWidth = 209;
    ears.centre = render::StatusBarContent::Centre::Nothing;
    render::Frame bare = withStatusBar(none, 375, 812), drawn = withStatusBar(ears, 375, 812);
    EXPECT_EQ(differing(bare, drawn, CGRectMake(83, 0, 209, 44)), 0) << "something was drawn under the housing";
    EXPECT_GT(differing(bare, drawn, CGRectMake(0, 0, 83, 44)), 40) << "the left ear's carrier";
    EXPECT_GT(differing(bare, drawn, CGRectMake(292, 0, 83, 44)), 40) << "the right ear's reception and battery";
    ui::configureDevice({});
}

TEST(StatusBar, TheCentreShowsTheTimeThePadlockOrNothing) {
    render::StatusBarContent bar;
    const CGRect centre = CGRectMake(150, 0, 75, 20);
    bar.centre = render::StatusBarContent::Centre::Nothing;
    render::Frame nothing = withStatusBar(bar, 375, 667);
    bar.centre = render::StatusBarContent::Centre::Padlock;
    render::Frame locked = withStatusBar(bar, 375, 667);
    bar.centre = render::StatusBarContent::Centre::OpenPadlock;
    render::Frame open = withStatusBar(bar, 375, 667);
    bar.centre = render::StatusBarContent::Centre::Time;
    bar.time = "21:05";
    render::Frame time = withStatusBar(bar, 375, 667);
    EXPECT_GT(differing(nothing, locked, centre), 20);
    EXPECT_GT(differing(locked, open, centre), 5);
    EXPECT_GT(differing(locked, time, centre), 20);
    // The padlock is narrow: the time is wider than it.
    EXPECT_GT(differing(nothing, time, CGRectMake(150, 0, 30, 20)), differing(nothing, locked, CGRectMake(150, 0, 30, 20)));
}

// A screen's frame starts uncleared; its wallpaper covers every pixel before
// anything else is drawn, whatever the memory held.
TEST(ScreenFrame, StartsAsItsWallpaperInEveryPixel) {
    for (double scale : {1.0, 2.0, 3.0}) {
        const int w = static_cast<int>(375 * scale), h = static_cast<int>(667 * scale);
        {
            render::Frame dirty = render::Frame::uncleared(w, h, scale);
            ASSERT_FALSE(dirty.empty());
            std::memset(cairo_image_surface_get_data(dirty.surface()), 0xAB,
                        static_cast<std::size_t>(cairo_image_surface_get_stride(dirty.surface())) * h);
        }
        render::Frame screen = renderRoot(screenRoot(), scale);
        CGImageRef wallpaper = render::wallpaperImage(render::Wallpaper::dark(), w, h);
        ASSERT_EQ(screen.width(), w);
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = &wallpaper->rgba[(static_cast<std::size_t>(y) * w + x) * 4];
                render::Pixel s = screen.pixel(x, y);
                differing += s.r != p[0] || s.g != p[1] || s.b != p[2] || s.a != 255 ? 1 : 0;
            }
        EXPECT_EQ(differing, 0) << "at scale " << scale;
    }
}

TEST(Material, IsBlurredOncePerWallpaperAndPlaceAndIsTheTintAloneWithoutAScreen) {
    render::registerViewPainter("MaterialTestPlatter", [](cairo_t* cr, const id&, CGSize size, double alpha) {
        render::paintMaterial(cr, CGRect{{0, 0}, size}, render::Material{}, alpha);
    });
    if (!rt::objc_getClass("MaterialTestPlatter")) rt::objc_registerClass("MaterialTestPlatter", rt::objc_getClass("UIView"));
    auto screen = [](CGRect place, render::Wallpaper wallpaper) {
        id root = screenRoot();
        ui::addSubview(root, ui::makeView(rt::objc_getClass("MaterialTestPlatter"), place));
        return renderRoot(root, 2, std::nullopt, wallpaper);
    };
    const CGRect place = CGRectMake(8, 200, 359, 90);
    const std::size_t before = render::materialBlursMade();
    render::Frame first = screen(place, render::Wallpaper::dark());
    EXPECT_EQ(render::materialBlursMade(), before + 1);
    render::Frame again = screen(place, render::Wallpaper::dark());
    EXPECT_EQ(render::materialBlursMade(), before + 1) << "the same place on the same wallpaper was blurred again";
    EXPECT_EQ(differing(first, again, CGRectMake(0, 0, 375, 667)), 0);
    screen(CGRectMake(8, 300, 359, 90), render::Wallpaper::dark());
    screen(place, render::Wallpaper::light());
    EXPECT_EQ(render::materialBlursMade(), before + 3);
    // Lighter than the dark wallpaper under it, rounded at the corners.
    render::Frame bare = renderRoot(screenRoot(), 2);
    EXPECT_GT(first.pixel(2 * 180, 2 * 245).r, bare.pixel(2 * 180, 2 * 245).r + 60);
    EXPECT_EQ(first.pixel(2 * 8 + 1, 2 * 200 + 1), bare.pixel(2 * 8 + 1, 2 * 200 + 1));
    // A view drawn alone has no wallpaper to blur.
    cairo_surface_t* alone = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100);
    cairo_t* cr = cairo_create(alone);
    render::drawViewTree(cr, ui::makeView(rt::objc_getClass("MaterialTestPlatter"), CGRectMake(0, 0, 100, 100)), 0);
    cairo_destroy(cr);
    cairo_surface_destroy(alone);
    EXPECT_EQ(render::materialBlursMade(), before + 3);
    render::registerViewPainter("MaterialTestPlatter", {});
}

}  // namespace
