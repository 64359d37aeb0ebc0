// Long-press and pan recognisers driven by touches and the virtual clock.
#include <gtest/gtest.h>

#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"

namespace {

using namespace ui;

// Records the states its actions were sent in.
struct Log {
    std::vector<std::string> events;
};
Log gLog;
void onLongPress(id, SEL, id g) { gLog.events.push_back("long" + std::to_string(state(g))); }
void onPan(id, SEL, id g) { gLog.events.push_back("pan" + std::to_string(state(g))); }

class Gestures : public ::testing::Test {
protected:
    ns::ProcessScope fresh;
    void SetUp() override {
        ns::useVirtualClock(3'000'000);
        static rt::Class* cls = [] {
            rt::Class* c = rt::objc_registerClass("TestGestureTarget", rt::NSObjectClass());
            rt::defineMethod(c, "longPress:", &onLongPress);
            rt::defineMethod(c, "panView:", &onPan);
            return c;
        }();
        target = rt::allocInit(cls);
        window = makeWindow(CGRectMake(0, 0, 320, 480));
        view = makeView(CGRectMake(0, 100, 200, 100));
        addSubview(window, view);
        longPress = makeGestureRecognizer("UILongPressGestureRecognizer", target, rt::sel_registerName("longPress:"));
        pan = makeGestureRecognizer("UIPanGestureRecognizer", target, rt::sel_registerName("panView:"));
        addGestureRecognizer(view, longPress);
        addGestureRecognizer(view, pan);
        gLog.events.clear();
    }
    void TearDown() override { touchCancel(); }
    void advance(double s) { ns::RunLoop::main().advance(s); }

    id target, window, view, longPress, pan;
};

TEST_F(Gestures, LongPressBeginsWhenTheTimeRunsOutWithTheFingerDown) {
    EXPECT_EQ(touchDown(window, CGPointMake(50, 150)), view);
    advance(0.49);
    EXPECT_EQ(state(longPress), UIGestureRecognizerStatePossible);
    EXPECT_TRUE(gLog.events.empty());
    advance(0.02);
    EXPECT_EQ(state(longPress), UIGestureRecognizerStateBegan);
    touchMove(window, CGPointMake(150, 170));  // any move after began, however far
    touchUp(window, CGPointMake(150, 170));
    EXPECT_EQ(gLog.events, (std::vector<std::string>{"long1", "long2", "long3"}));
    EXPECT_EQ(state(pan), UIGestureRecognizerStateFailed);  // it lost to the long press
}

TEST_F(Gestures, ALiftBeforeTheTimeIsNoLongPress) {
    touchDown(window, CGPointMake(50, 150));
    advance(0.3);
    touchUp(window, CGPointMake(50, 150));
    advance(1);
    EXPECT_EQ(state(longPress), UIGestureRecognizerStateFailed);
    EXPECT_TRUE(gLog.events.empty());
}

TEST_F(Gestures, MovingMoreThanTenPointsFailsTheLongPressAndStartsThePan) {
    touchDown(window, CGPointMake(50, 150));
    touchMove(window, CGPointMake(56, 158));  // exactly 10 points: still a candidate
    EXPECT_EQ(state(longPress), UIGestureRecognizerStatePossible);
    EXPECT_EQ(state(pan), UIGestureRecognizerStatePossible);
    touchMove(window, CGPointMake(61, 150));
    EXPECT_EQ(state(longPress), UIGestureRecognizerStateFailed);
    EXPECT_EQ(state(pan), UIGestureRecognizerStateBegan);
    advance(1);  // the long press's time passes without effect
    touchUp(window, CGPointMake(61, 150));
    EXPECT_EQ(gLog.events, (std::vector<std::string>{"pan1", "pan3"}));
}

TEST_F(Gestures, PanTranslationIsCumulativeUntilReset) {
    touchDown(window, CGPointMake(50, 150));
    touchMove(window, CGPointMake(70, 150));
    EXPECT_EQ(translationInView(pan, view), CGPointMake(20, 0));
    touchMove(window, CGPointMake(80, 140));
    EXPECT_EQ(translationInView(pan, window), CGPointMake(30, -10));  // not a delta
    setTranslation_inView(pan, CGPointZero, view);
    touchMove(window, CGPointMake(85, 145));
    EXPECT_EQ(translationInView(pan, view), CGPointMake(5, 5));
    setTranslation_inView(pan, CGPointMake(1, 2), view);
    EXPECT_EQ(translationInView(pan, view), CGPointMake(1, 2));
}

TEST_F(Gestures, TheNextTouchStartsAfresh) {
    touchDown(window, CGPointMake(50, 150));
    touchMove(window, CGPointMake(80, 150));
    touchUp(window, CGPointMake(80, 150));
    EXPECT_EQ(state(pan), UIGestureRecognizerStateEnded);
    gLog.events.clear();
    touchDown(window, CGPointMake(10, 110));
    EXPECT_EQ(state(pan), UIGestureRecognizerStatePossible);
    EXPECT_EQ(state(longPress), UIGestureRecognizerStatePossible);
    advance(0.5);
    EXPECT_EQ(gLog.events, std::vector<std::string>{"long1"});
    EXPECT_EQ(translationInView(pan, view), CGPointZero);
}

TEST_F(Gestures, AncestorsRecognisersSeeTheTouchButHiddenViewsAreNotHit) {
    id child = makeView(CGRectMake(0, 0, 50, 50));
    addSubview(view, child);
    EXPECT_EQ(touchDown(window, CGPointMake(10, 110)), child);
    advance(0.5);
    EXPECT_EQ(gLog.events, std::vector<std::string>{"long1"});
    touchUp(window, CGPointMake(10, 110));

    setHidden(view, true);
    gLog.events.clear();
    EXPECT_EQ(touchDown(window, CGPointMake(10, 110)), window);
    advance(1);
    EXPECT_TRUE(gLog.events.empty());
}

TEST_F(Gestures, ARecogniserReleasedMidTouchIsNotCalled) {
    touchDown(window, CGPointMake(50, 150));
    target.reset();  // targets are held weakly
    advance(0.6);
    EXPECT_EQ(state(longPress), UIGestureRecognizerStateBegan);
    EXPECT_TRUE(gLog.events.empty());
}

}  // namespace
