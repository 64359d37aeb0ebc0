// View geometry, the subview tree, window moves and hit-testing.
#include <gtest/gtest.h>

#include "uikit/UIKit.h"

namespace {

using namespace ui;

// Counts the window-move messages a view receives.
int gWillMove = 0, gDidMove = 0;
void countWill(id, SEL, id) { ++gWillMove; }
void countDid(id, SEL) { ++gDidMove; }
rt::Class* countingViewClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_registerClass("TestCountingView", rt::objc_getClass("UIView"));
        rt::defineMethod(c, "willMoveToWindow:", &countWill);
        rt::defineMethod(c, "didMoveToWindow", &countDid);
        return c;
    }();
    return cls;
}

TEST(ViewGeometry, FrameCenterAndBoundsStayConsistent) {
    id v = makeView(CGRectMake(10, 20, 100, 50));
    EXPECT_EQ(center(v), CGPointMake(60, 45));
    EXPECT_EQ(bounds(v), CGRectMake(0, 0, 100, 50));

    // A centre move keeps the size.
    setCenter(v, CGPointMake(0, 0));
    EXPECT_EQ(frame(v), CGRectMake(-50, -25, 100, 50));

    // A bounds size change grows around the fixed centre and keeps the bounds origin.
    setBounds(v, CGRectMake(5, 5, 20, 10));
    EXPECT_EQ(frame(v), CGRectMake(-10, -5, 20, 10));
    EXPECT_EQ(bounds(v), CGRectMake(5, 5, 20, 10));

    // setFrame: leaves the bounds origin alone.
    setFrame(v, CGRectMake(1, 2, 3, 4));
    EXPECT_EQ(bounds(v), CGRectMake(5, 5, 3, 4));
    EXPECT_EQ(center(v), CGPointMake(2.5, 4));
}

TEST(ViewGeometry, FrameRoundTripsExactly) {
    // Stored positions come back as single-precision values; the frame must not drift.
    id v = makeView(CGRectMake(0, 0, 375, 65));
    double x = static_cast<double>(12.3f), y = static_cast<double>(200.7f);
    setFrame(v, CGRectMake(x, y, 375, 65));
    EXPECT_EQ(frame(v).origin.x, x);
    EXPECT_EQ(frame(v).origin.y, y);
}

TEST(ViewGeometry, NonFiniteGeometryIsRefused) {
    id v = makeView(CGRectMake(1, 2, 3, 4));
    setFrame(v, CGRectMake(NAN, 0, 10, 10));
    setCenter(v, CGPointMake(INFINITY, 0));
    EXPECT_EQ(frame(v), CGRectMake(1, 2, 3, 4));
}

TEST(ViewGeometry, AlphaIsClampedAndHiddenKeepsDescendantFlags) {
    id parent = makeView(), child = makeView();
    addSubview(parent, child);
    setAlpha(parent, 1.5);
    EXPECT_EQ(alpha(parent), 1.0);
    setAlpha(parent, -1);
    EXPECT_EQ(alpha(parent), 0.0);
    EXPECT_EQ(alpha(child), 1.0);
    setHidden(parent, true);
    EXPECT_FALSE(isHidden(child));
}

TEST(ViewTree, AddSubviewMovesFromTheOldSuperviewAndReAddingMovesToTop) {
    id a = makeView(), b = makeView(), x = makeView(), y = makeView();
    addSubview(a, x);
    addSubview(a, y);
    addSubview(b, x);
    EXPECT_EQ(subviews(a), std::vector<id>{y});
    EXPECT_EQ(subviews(b), std::vector<id>{x});
    EXPECT_EQ(superview(x), b);

    addSubview(b, y);
    addSubview(b, x);  // already there: to the top, not twice
    EXPECT_EQ(subviews(b), (std::vector<id>{y, x}));
}

TEST(ViewTree, BringToFrontOnlyReordersOwnSubviews) {
    id a = makeView(), p = makeView(), q = makeView(), r = makeView(), stranger = makeView();
    addSubview(a, p);
    addSubview(a, q);
    addSubview(a, r);
    bringSubviewToFront(a, p);
    EXPECT_EQ(subviews(a), (std::vector<id>{q, r, p}));
    bringSubviewToFront(a, stranger);
    EXPECT_EQ(subviews(a), (std::vector<id>{q, r, p}));
    EXPECT_FALSE(superview(stranger));
}

TEST(ViewTree, RemoveFromSuperviewWithoutSuperviewDoesNothing) {
    id v = makeView();
    removeFromSuperview(v);
    EXPECT_FALSE(superview(v));
    id p = makeView();
    addSubview(p, v);
    removeFromSuperview(v);
    EXPECT_TRUE(subviews(p).empty());
    EXPECT_FALSE(superview(v));
}

TEST(ViewTree, AViewCannotBeAddedInsideItsOwnSubtree) {
    id a = makeView(), b = makeView(), c = makeView();
    addSubview(a, b);
    addSubview(b, c);
    addSubview(c, a);  // would make a cycle
    addSubview(a, a);
    EXPECT_FALSE(superview(a));
    EXPECT_EQ(subviews(c).size(), 0u);
    EXPECT_EQ(subviews(a), std::vector<id>{b});
}

TEST(ViewWindow, MoveNotificationsReachTheSubtreeOnlyWhenTheWindowChanges) {
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id holder = makeView();
    id top = makeView(countingViewClass(), CGRectZero);
    id inner = makeView(countingViewClass(), CGRectZero);
    addSubview(top, inner);
    gWillMove = gDidMove = 0;

    addSubview(holder, top);  // holder is in no window: nothing changes
    EXPECT_EQ(gDidMove, 0);

    addSubview(window, holder);  // both counting views enter the window
    EXPECT_EQ(gWillMove, 2);
    EXPECT_EQ(gDidMove, 2);
    EXPECT_EQ(ui::window(inner), window);

    id other = makeView();
    addSubview(window, other);
    addSubview(other, top);  // same window: no notification
    EXPECT_EQ(gDidMove, 2);

    removeFromSuperview(top);  // leaves the window
    EXPECT_EQ(gDidMove, 4);
    EXPECT_FALSE(ui::window(inner));
}

id passThroughHitTest(id self, SEL sel, CGPoint p, id event) {
    // Lets touches through except on its subviews, as the host's pass-through view does.
    rt::Class* super = rt::objc_getClass("UIView");
    id hit = rt::typedImp<id(CGPoint, id)>(super, sel, *super->lookup(sel))(self, sel, p, event);
    return hit == self ? id{} : hit;
}

TEST(HitTest, SkipsHiddenTransparentAndDisabledViews) {
    id window = makeWindow(CGRectMake(0, 0, 100, 100));
    id below = makeView(CGRectMake(0, 0, 50, 50));
    id above = makeView(CGRectMake(0, 0, 50, 50));
    addSubview(window, below);
    addSubview(window, above);
    EXPECT_EQ(hitTest(window, CGPointMake(10, 10)), above);

    setHidden(above, true);
    EXPECT_EQ(hitTest(window, CGPointMake(10, 10)), below);
    setHidden(above, false);
    setAlpha(above, 0.009);
    EXPECT_EQ(hitTest(window, CGPointMake(10, 10)), below);
    setAlpha(above, 0.01);
    EXPECT_EQ(hitTest(window, CGPointMake(10, 10)), above);
    setUserInteractionEnabled(above, false);
    EXPECT_EQ(hitTest(window, CGPointMake(10, 10)), below);

    // Outside every subview the window itself is hit; the far edge is outside.
    EXPECT_EQ(hitTest(window, CGPointMake(70, 70)), window);
    EXPECT_FALSE(hitTest(window, CGPointMake(100, 50)));
}

TEST(HitTest, UsesSubviewCoordinatesAndOverridesInSubclasses) {
    static rt::Class* passThrough = [] {
        rt::Class* c = rt::objc_registerClass("TestPassThroughView", rt::objc_getClass("UIView"));
        rt::defineMethod(c, "hitTest:withEvent:", &passThroughHitTest);
        return c;
    }();
    id window = makeWindow(CGRectMake(0, 0, 200, 200));
    id background = makeView(CGRectMake(0, 0, 200, 200));
    id host = makeView(passThrough, CGRectMake(100, 100, 100, 100));
    id button = makeView(CGRectMake(10, 10, 20, 20));
    addSubview(window, background);
    addSubview(window, host);
    addSubview(host, button);

    EXPECT_EQ(hitTest(window, CGPointMake(115, 115)), button);
    EXPECT_EQ(hitTest(window, CGPointMake(150, 150)), background);  // through the host
    EXPECT_EQ(convertPoint_toView(button, CGPointMake(0, 0), window), CGPointMake(110, 110));
}

}  // namespace
