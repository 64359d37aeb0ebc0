#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "foundation/Process.h"
#include "foundation/RunLoop.h"

using ns::RunLoop;

namespace {

struct Firing {
    std::string tag;
    double at;
    bool gotTimer;
};
std::vector<Firing> firings;

void tickPlain(id self, SEL) { firings.push_back({str(rt::objc_getAssociatedObject(self, "tag")), ns::now(), false}); }
void tickTimer(id self, SEL, id timer) {
    firings.push_back({str(rt::objc_getAssociatedObject(self, "tag")), ns::now(), rt::cast<NSTimer>(timer) != nullptr});
}

id target(const char* tag) {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_registerClass("RunLoopTestTarget", rt::NSObjectClass());
        rt::defineMethod(c, "tick", &tickPlain);
        rt::defineMethod(c, "tick:", &tickTimer);
        return c;
    }();
    id o = cls->alloc();
    rt::objc_setAssociatedObject(o, "tag", NSStr(tag), rt::OBJC_ASSOCIATION_RETAIN);
    return o;
}

SEL tick = rt::sel_registerName("tick");
SEL tickWith = rt::sel_registerName("tick:");

class RunLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ns::useVirtualClock(1000);
        firings.clear();
    }
    ns::ProcessScope fresh;
    static std::vector<double> times() {
        std::vector<double> t;
        for (const auto& f : firings) t.push_back(f.at - 1000);
        return t;
    }
};

}  // namespace

TEST_F(RunLoopTest, RepeatingTimerFiresOneIntervalLaterAtItsOwnFireDates) {
    ns::scheduledTimer(1, target("a"), tick, {}, true);
    RunLoop::main().runOnce();
    RunLoop::main().advance(0.5);
    EXPECT_TRUE(firings.empty()) << "never fires at once";
    RunLoop::main().advance(3);
    EXPECT_EQ(times(), (std::vector<double>{1, 2, 3}));
    EXPECT_DOUBLE_EQ(ns::now(), 1003.5);
}

TEST_F(RunLoopTest, TimersFireInDueOrderAndCallbacksGetTheTimerWhenAsked) {
    ns::scheduledTimer(0.3, target("a"), tick, {}, true);
    ns::scheduledTimer(0.5, target("b"), tickWith, {}, true);
    RunLoop::main().advance(1.0);
    std::string order;
    for (const auto& f : firings) order += f.tag;
    EXPECT_EQ(order, "abaab");
    std::vector<double> expected{0.3, 0.5, 0.6, 0.9, 1.0};
    ASSERT_EQ(times().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(times()[i], expected[i], 1e-9);
    EXPECT_FALSE(firings[0].gotTimer);
    EXPECT_TRUE(firings[1].gotTimer);
}

TEST_F(RunLoopTest, MissedPeriodsCollapseIntoOneFiringOnTheOriginalGrid) {
    auto timer = rt::cast<NSTimer>(ns::scheduledTimer(1, target("a"), tick, {}, true));
    ns::useVirtualClock(1003.5);  // the loop was busy for three periods
    RunLoop::main().runOnce();
    EXPECT_EQ(firings.size(), 1u);
    EXPECT_DOUBLE_EQ(timer->fireDate, 1004.0) << "no drift: counts from the intended date";
    RunLoop::main().advance(0.5);
    EXPECT_EQ(firings.size(), 2u);
    EXPECT_DOUBLE_EQ(firings.back().at, 1004.0);
}

TEST_F(RunLoopTest, OneShotFiresOnceThenReleasesItsTarget) {
    std::weak_ptr<rt::Object> watch;
    id timer;
    {
        id t = target("once");
        watch = t;
        timer = ns::scheduledTimer(2, t, tickWith, NSStr("info"), false);
    }
    EXPECT_EQ(RunLoop::main().timerCount(), 1u);
    EXPECT_FALSE(watch.expired()) << "the timer holds its target";
    RunLoop::main().advance(10);
    EXPECT_EQ(times(), (std::vector<double>{2}));
    EXPECT_TRUE(firings[0].gotTimer);
    EXPECT_FALSE(rt::send<bool()>(timer, "isValid"));
    EXPECT_EQ(RunLoop::main().timerCount(), 0u);
    EXPECT_TRUE(watch.expired());
}

TEST_F(RunLoopTest, InvalidateThroughTheRuntimeStopsARepeatingTimer) {
    id timer = rt::sendClass<id(double, id, SEL, id, bool)>(
        rt::objc_getClass("NSTimer"), "scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:", 1.0,
        target("r"), tick, id{}, true);
    RunLoop::main().advance(2);
    rt::send<void()>(timer, "invalidate");
    RunLoop::main().advance(5);
    EXPECT_EQ(times(), (std::vector<double>{1, 2}));
    EXPECT_EQ(RunLoop::main().timerCount(), 0u);
    EXPECT_FALSE(rt::cast<NSTimer>(timer)->target);
}

TEST_F(RunLoopTest, NonPositiveIntervalMeansTheShortestInterval) {
    auto timer = rt::cast<NSTimer>(ns::scheduledTimer(0, target("z"), tick, {}, false));
    EXPECT_DOUBLE_EQ(timer->interval, 0.0001);
    RunLoop::main().runOnce();
    EXPECT_TRUE(firings.empty());
    RunLoop::main().advance(0.001);
    EXPECT_EQ(firings.size(), 1u);
}

TEST_F(RunLoopTest, PassesRunQueuedWorkThenEveryObserverInOrder) {
    std::vector<std::string> log;
    auto layout = RunLoop::main().observePasses("layout", [&] { log.push_back("layout"); });
    auto draw = RunLoop::main().observePasses("draw", [&] { log.push_back("draw"); });
    RunLoop::main().perform([&] { log.push_back("work"); });
    RunLoop::main().runOnce();
    EXPECT_EQ(log, (std::vector<std::string>{"work", "layout", "draw"}));
    layout.reset();
    RunLoop::main().runOnce();
    EXPECT_EQ(log.back(), "draw");
    EXPECT_EQ(log.size(), 4u) << "a removed observer no longer runs";
}

TEST_F(RunLoopTest, WorkFromAnotherThreadWakesTheRealLoop) {
    ns::useRealClock();
    bool ran = false;
    std::thread other([&] {
        RunLoop::main().perform([&] {
            ran = true;
            RunLoop::main().stop();
        });
    });
    RunLoop::main().run(60);  // returns at stop(); the bound only guards a broken wake-up
    other.join();
    EXPECT_TRUE(ran);
}

TEST_F(RunLoopTest, DateClassMethodReadsTheClock) {
    id date = rt::sendClass<id()>(rt::objc_getClass("NSDate"), "date");
    EXPECT_DOUBLE_EQ(rt::send<double()>(date, "timeIntervalSince1970"), 1000.0);
}
