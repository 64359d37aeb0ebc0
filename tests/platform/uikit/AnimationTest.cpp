// View animations: model values at once, the timed animation recorded, completions later.
#include <gtest/gtest.h>

#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"

namespace {

using namespace ui;

class Animation : public ::testing::Test {
protected:
    ns::ProcessScope fresh;
    void SetUp() override {
        ns::useVirtualClock(t0);
        pruneAnimations(1e18);
    }
    const double t0 = 2'000'000;
};

TEST_F(Animation, ModelValueChangesAtOnceAndTheAnimationIsRecorded) {
    id v = makeView(CGRectMake(0, 0, 10, 10));
    animateWithDuration_animations(0.3, [&] { setAlpha(v, 0); });
    EXPECT_EQ(alpha(v), 0.0);
    ASSERT_EQ(animations().size(), 1u);
    const auto& a = animations()[0];
    EXPECT_EQ(a.view.lock(), v);
    EXPECT_EQ(a.property, "alpha");
    EXPECT_EQ(std::get<double>(a.from), 1.0);
    EXPECT_EQ(std::get<double>(a.to), 0.0);
    EXPECT_EQ(a.start, t0);
    EXPECT_EQ(a.duration, 0.3);

    EXPECT_EQ(presentationAlpha(v, t0), 1.0);
    EXPECT_NEAR(presentationAlpha(v, t0 + 0.15), 0.5, 1e-9);  // the curve's midpoint
    EXPECT_EQ(presentationAlpha(v, t0 + 0.3), 0.0);
}

TEST_F(Animation, NoDurationRecordsNothing) {
    id v = makeView();
    animateWithDuration_animations(0, [&] { setAlpha(v, 0.5); });
    animateWithDuration_animations(-1, [&] { setFrame(v, CGRectMake(1, 1, 1, 1)); });
    EXPECT_EQ(alpha(v), 0.5);
    EXPECT_EQ(frame(v), CGRectMake(1, 1, 1, 1));
    EXPECT_TRUE(animations().empty());
}

TEST_F(Animation, ChangesOutsideABlockAreNotAnimated) {
    id v = makeView();
    setAlpha(v, 0.2);
    animateWithDuration_animations(0.3, [] {});
    EXPECT_TRUE(animations().empty());
}

TEST_F(Animation, AnInterruptedAnimationStartsTheNextFromWhatIsShown) {
    id v = makeView();
    animateWithDuration_animations(0.3, [&] { setAlpha(v, 0); });
    ns::RunLoop::main().advance(0.15);
    animateWithDuration_animations(0.3, [&] { setAlpha(v, 1); });
    EXPECT_EQ(alpha(v), 1.0);
    EXPECT_NEAR(presentationAlpha(v, ns::now()), 0.5, 1e-9);
    EXPECT_NEAR(presentationAlpha(v, ns::now() + 0.3), 1.0, 1e-12);
}

TEST_F(Animation, FramesAndCentresAreShownOnTheirWay) {
    id v = makeView(CGRectMake(0, 0, 10, 10));
    animateWithDuration_animations(1, [&] { setCenter(v, CGPointMake(105, 5)); });
    CGRect mid = presentationFrame(v, t0 + 0.5);
    EXPECT_NEAR(mid.origin.x, 50, 1e-9);
    EXPECT_EQ(mid.size, CGSizeMake(10, 10));
    EXPECT_EQ(presentationFrame(v, t0 + 2), CGRectMake(100, 0, 10, 10));
}

TEST_F(Animation, TheCompletionRunsLaterAndSaysWhetherItFinished) {
    id v = makeView();
    std::vector<bool> done;
    animateWithDuration_animations_completion(
        0.3, [&] { setAlpha(v, 0); }, [&](bool finished) { done.push_back(finished); });
    EXPECT_TRUE(done.empty());
    ns::RunLoop::main().advance(0.1);
    animateWithDuration_animations_completion(
        0.3, [&] { setAlpha(v, 1); }, [&](bool finished) { done.push_back(finished); });
    ns::RunLoop::main().advance(0.25);
    EXPECT_EQ(done, std::vector<bool>{false});  // the first, taken over
    ns::RunLoop::main().advance(0.1);
    EXPECT_EQ(done, (std::vector<bool>{false, true}));

    animateWithDuration_animations_completion(
        0, [] {}, [&](bool finished) { done.push_back(finished); });
    EXPECT_EQ(done.size(), 2u);  // never inside the call, even without duration
    ns::RunLoop::main().runOnce();
    EXPECT_EQ(done.size(), 3u);
}

}  // namespace
