// View trees on the screen: backgrounds, alpha down the tree, hidden subtrees,
// running animations, images and custom painters.
#include <gtest/gtest.h>

#include "Pixels.h"
#include "foundation/RunLoop.h"
#include "renderer/ViewPainters.h"

namespace {

using namespace rendertest;

// A root painted opaque black, so colours composite onto a known ground.
id blackRoot() {
    id root = screenRoot();
    ui::setBackgroundColor(root, ui::blackColor());
    return root;
}

id box(CGRect frame, const id& colour) {
    id v = ui::makeView(frame);
    ui::setBackgroundColor(v, colour);
    return v;
}

render::Pixel at(const render::Frame& f, double x, double y) {
    return f.pixel(static_cast<int>(x * f.scale()), static_cast<int>(y * f.scale()));
}

TEST(ViewRender, AlphaMultipliesDownTheTree) {
    id root = blackRoot();
    id half = box(CGRectMake(0, 0, 100, 100), ui::whiteColor());
    ui::setAlpha(half, 0.5);
    id parent = ui::makeView(CGRectMake(150, 0, 200, 200));
    ui::setAlpha(parent, 0.5);
    id child = box(CGRectMake(10, 10, 100, 100), ui::whiteColor());
    ui::setAlpha(child, 0.5);
    ui::addSubview(parent, child);
    ui::addSubview(root, half);
    ui::addSubview(root, parent);
    render::Frame f = renderRoot(root);
    EXPECT_NEAR(at(f, 50, 50).r, 128, 2);
    EXPECT_NEAR(at(f, 200, 50).r, 64, 2);   // 0.5 x 0.5, in the superview's coordinates + frame
    EXPECT_EQ(at(f, 155, 5).r, 0);          // the parent itself has no colour
}

TEST(ViewRender, ATranslucentViewFadesAsOnePicture) {
    // Two opaque overlapping subviews under a half-transparent parent: where
    // they overlap only the top one shows, faded, not the two mixed.
    id root = blackRoot();
    id parent = ui::makeView(CGRectMake(0, 0, 300, 300));
    ui::setAlpha(parent, 0.5);
    ui::addSubview(parent, box(CGRectMake(0, 0, 200, 200), ui::redColor()));
    ui::addSubview(parent, box(CGRectMake(100, 100, 200, 200), ui::blueColor()));
    ui::addSubview(root, parent);
    render::Frame f = renderRoot(root);
    render::Pixel overlap = at(f, 150, 150);
    EXPECT_LE(overlap.r, 1);
    EXPECT_NEAR(overlap.b, 128, 2);
    EXPECT_NEAR(at(f, 50, 50).r, 128, 2);
}

TEST(ViewRender, HiddenViewsAndTheirSubviewsDrawNothing) {
    id root = blackRoot();
    id hidden = box(CGRectMake(0, 0, 100, 100), ui::whiteColor());
    id inside = box(CGRectMake(10, 10, 50, 50), ui::redColor());
    ui::addSubview(hidden, inside);
    ui::setHidden(hidden, true);
    id transparent = box(CGRectMake(200, 0, 100, 100), ui::whiteColor());
    ui::setAlpha(transparent, 0);
    ui::addSubview(root, hidden);
    ui::addSubview(root, transparent);
    render::Frame f = renderRoot(root);
    EXPECT_EQ(count(f, CGRectMake(0, 0, 375, 667), [](const render::Pixel& p) { return p.r > 0 || p.g > 0; }), 0);
    EXPECT_FALSE(ui::isHidden(inside));  // drawing changes no flag

    ui::setHidden(hidden, false);
    render::Frame shown = renderRoot(root);
    EXPECT_EQ(at(shown, 5, 5), (render::Pixel{255, 255, 255, 255}));
    EXPECT_EQ(at(shown, 20, 20), (render::Pixel{255, 0, 0, 255}));
}

TEST(ViewRender, BoundsOriginAndClippingPlaceSubviews) {
    id root = blackRoot();
    id scroller = ui::makeView(CGRectMake(100, 100, 100, 100));
    ui::setBounds(scroller, CGRectMake(0, 50, 100, 100));  // scrolled down by 50
    rt::send<void(bool)>(scroller, "setClipsToBounds:", true);
    ui::addSubview(scroller, box(CGRectMake(0, 60, 40, 200), ui::whiteColor()));
    ui::addSubview(root, scroller);
    render::Frame f = renderRoot(root);
    EXPECT_EQ(at(f, 110, 105).r, 0);    // above the subview: 60 - 50 = 10 points down
    EXPECT_EQ(at(f, 110, 115).r, 255);
    EXPECT_EQ(at(f, 110, 205).r, 0);    // clipped at the scroller's bottom
}

class AnimatedRender : public ::testing::Test {
protected:
    void SetUp() override { ns::useVirtualClock(t0); }
    void TearDown() override {
        ui::pruneAnimations(1e18);
        ns::useRealClock();
    }
    const double t0 = 2'000'000;
};

TEST_F(AnimatedRender, ARunningFadeShowsItsPresentValue) {
    id root = blackRoot();
    id v = box(CGRectMake(0, 0, 100, 100), ui::whiteColor());
    ui::addSubview(root, v);
    ui::animateWithDuration_animations(1.0, [&] { ui::setAlpha(v, 0); });
    EXPECT_EQ(ui::alpha(v), 0);  // the model value changed at once
    EXPECT_NEAR(renderRoot(root, 1, t0).pixel(50, 50).r, 255, 1);
    EXPECT_NEAR(renderRoot(root, 1, t0 + 0.5).pixel(50, 50).r, 128, 3);  // half-way
    EXPECT_EQ(renderRoot(root, 1, t0 + 1.0).pixel(50, 50).r, 0);
    EXPECT_EQ(renderRoot(root, 1, t0 + 5).pixel(50, 50).r, 0);
}

TEST_F(AnimatedRender, AMovingViewIsDrawnOnItsWay) {
    id root = blackRoot();
    id v = box(CGRectMake(0, 0, 20, 20), ui::whiteColor());
    ui::addSubview(root, v);
    ui::animateWithDuration_animations(1.0, [&] { ui::setFrame(v, CGRectMake(200, 0, 20, 20)); });
    auto ink = inkBox(renderRoot(root, 1, t0 + 0.5), isWhite);
    ASSERT_TRUE(ink);
    EXPECT_NEAR(ink->minX, 100, 2);
}

TEST(ViewRender, ImagesFillTheirImageViews) {
    id root = blackRoot();
    id iv = ui::makeImageView(CGRectMake(50, 50, 100, 40));
    ui::setImage(iv, ui::makeImage(cg::makeFlatImage(4, 4, 255, 0, 0, 255)));
    ui::addSubview(root, iv);
    render::Frame f = renderRoot(root, 2);
    auto red = [](const render::Pixel& p) { return p.r > 200 && p.g < 50; };
    auto ink = inkBox(f, red);
    ASSERT_TRUE(ink);
    EXPECT_EQ(ink->minX, 100);
    EXPECT_EQ(ink->minY, 100);
    EXPECT_EQ(ink->maxX, 299);
    EXPECT_EQ(ink->maxY, 179);
    EXPECT_EQ(count(f, CGRectMake(50, 50, 100, 40), red), 200 * 80);
}

TEST(ViewRender, AClassPainterDrawsItsViewsAndTheirSubclasses) {
    rt::Class* card = rt::objc_getClass("RenderTestCard");
    if (!card) card = rt::objc_registerClass("RenderTestCard", rt::objc_getClass("UIView"));
    rt::Class* bigCard = rt::objc_getClass("RenderTestBigCard");
    if (!bigCard) bigCard = rt::objc_registerClass("RenderTestBigCard", card);

    render::registerViewPainter("RenderTestCard", [](cairo_t* cr, const id&, CGSize size, double alpha) {
        cairo_set_source_rgba(cr, 0, 1, 0, alpha);
        cairo_rectangle(cr, 0, 0, size.width / 2, size.height);
        cairo_fill(cr);
    });
    id root = blackRoot();
    ui::addSubview(root, ui::makeView(card, CGRectMake(0, 0, 100, 50)));
    ui::addSubview(root, ui::makeView(bigCard, CGRectMake(0, 100, 100, 50)));
    ui::addSubview(root, box(CGRectMake(200, 0, 100, 50), ui::whiteColor()));  // plain views are left alone
    auto green = [](const render::Pixel& p) { return p.g > 200 && p.r < 50; };
    render::Frame f = renderRoot(root);
    EXPECT_EQ(count(f, CGRectMake(0, 0, 50, 50), green), 50 * 50);
    EXPECT_EQ(count(f, CGRectMake(0, 100, 50, 50), green), 50 * 50);
    EXPECT_EQ(count(f, CGRectMake(0, 0, 375, 667), green), 2 * 50 * 50);

    render::registerViewPainter("RenderTestCard", {});
    EXPECT_EQ(count(renderRoot(root), CGRectMake(0, 0, 375, 667), green), 0);
}

TEST(ViewRender, NoRootsDrawsTheVisibleWindows) {
    id window = ui::makeWindow(CGRectMake(0, 0, 375, 667));
    ui::addSubview(window, box(CGRectMake(10, 300, 30, 30), ui::whiteColor()));
    ui::makeKeyAndVisible(window);
    render::RenderOptions o;
    o.width = 375;
    o.height = 667;
    o.scale = 1;
    o.statusBar.visible = false;
    o.now = 1'000'000;
    render::Frame f = render::renderScreen(o);
    EXPECT_EQ(f.pixel(20, 310), (render::Pixel{255, 255, 255, 255}));
    ui::setHidden(window, true);
    EXPECT_FALSE(isWhite(render::renderScreen(o).pixel(20, 310)));
}

}  // namespace
