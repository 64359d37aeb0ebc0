// The device's clock held in hand (paused, set, stepped, fast) and the run
// loop's timers that follow it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"

namespace {

constexpr double kMonday = 1795996800;  // 2026-11-30T00:00:00Z

void sleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

class HeldClockTest : public ::testing::Test {
protected:
    ns::ProcessScope fresh;
    ns::Clock& clock() { return fresh.process().clock(); }
    ns::RunLoop& loop() { return fresh.process().runLoop(); }
};

// Where a timer's next firing stands relative to its grid (0: on it).
double offGrid(const id& timer, double origin, double interval) {
    double fire = rt::cast<NSTimer>(timer)->fireDate;
    return std::remainder(fire - origin, interval);
}

}  // namespace

TEST_F(HeldClockTest, PausedClockStandsAndResumesWhereItStood) {
    ns::useRealPaceFrom(kMonday);
    ns::pauseClock();
    const double held = ns::now();
    sleepFor(0.03);
    EXPECT_EQ(ns::now(), held) << "a paused clock does not move";
    EXPECT_TRUE(std::isinf(clock().realSecondsUntil(held + 1))) << "nothing falls due while paused";
    ns::resumeClock();
    EXPECT_NEAR(ns::now(), held, 0.01) << "resuming does not jump";
    sleepFor(0.03);
    EXPECT_GT(ns::now(), held + 0.02);
}

TEST_F(HeldClockTest, RateRunsTheClockFasterWithoutAJump) {
    ns::useRealPaceFrom(kMonday);
    const double before = ns::now();
    ns::setClockRate(3600);
    EXPECT_NEAR(ns::now(), before, 1) << "a new rate keeps the time";
    sleepFor(0.05);
    const double moved = ns::now() - before;
    EXPECT_GT(moved, 0.04 * 3600) << "an hour a second";
    EXPECT_LT(moved, 1.0 * 3600) << "the sleep cannot have lasted a second";
    ns::useRealClock();
    EXPECT_EQ(clock().mode(), ns::Clock::Mode::Real);
    EXPECT_EQ(clock().rate(), 1);
}

TEST_F(HeldClockTest, RealClockSetBecomesItsPaceFromThere) {
    ns::useRealClock();
    ns::setClockTo(kMonday);
    EXPECT_EQ(clock().mode(), ns::Clock::Mode::RealPaceFrom);
    EXPECT_NEAR(ns::now(), kMonday, 0.05);
    ns::advanceClock(-60);
    EXPECT_NEAR(ns::now(), kMonday - 60, 0.05);
}

TEST_F(HeldClockTest, RepeatingTimerFiresOnceAcrossAnHourJumpAndStaysOnItsGrid) {
    ns::useRealPaceFrom(kMonday);
    ns::pauseClock();  // nothing moves but the jumps
    const double origin = ns::now();
    int fired = 0;
    id tick = ns::scheduledTimer(1, true, [&](const id&) { ++fired; }, "a 1 Hz tick");
    ns::advanceClock(3600.25);
    loop().runOnce();
    loop().runOnce();
    EXPECT_EQ(fired, 1) << "an hour of missed seconds fires once, not 3600 times";
    EXPECT_NEAR(offGrid(tick, origin, 1), 0, 1e-6) << "it goes on from its grid";
    EXPECT_GT(rt::cast<NSTimer>(tick)->fireDate, ns::now());
    EXPECT_LE(rt::cast<NSTimer>(tick)->fireDate, ns::now() + 1);
    rt::cast<NSTimer>(tick)->invalidate();
}

TEST_F(HeldClockTest, JumpBackFiresARepeatingTimerOnceOnItsGridAndKeepsAOneShotsWait) {
    ns::useRealPaceFrom(kMonday);
    ns::pauseClock();
    const double origin = ns::now();
    int ticks = 0, once = 0;
    id minute = ns::scheduledTimer(60, true, [&](const id&) { ++ticks; }, "a minute");
    id later = ns::scheduledTimer(30, false, [&](const id&) { ++once; }, "a one-shot");
    ns::advanceClock(-7200.5);
    loop().runOnce();
    loop().runOnce();
    EXPECT_EQ(ticks, 1) << "the clock's readers hear of the jump at once";
    EXPECT_NEAR(offGrid(minute, origin, 60), 0, 1e-6) << "a minute's timer still turns at the minute";
    EXPECT_GT(rt::cast<NSTimer>(minute)->fireDate, ns::now());
    EXPECT_EQ(once, 0) << "a one-shot's wait is not cut short by a jump back";
    EXPECT_NEAR(rt::cast<NSTimer>(later)->fireDate - ns::now(), 30, 1e-6);
    rt::cast<NSTimer>(minute)->invalidate();
    rt::cast<NSTimer>(later)->invalidate();
}

TEST_F(HeldClockTest, FastClockFiresATimerOnceEachLookNotOncePerDeviceSecond) {
    ns::useRealPaceFrom(kMonday);
    ns::setClockRate(3600);
    int fired = 0;
    ns::Timer tick = ns::Timer::every(1, "a 1 Hz tick", [&] { ++fired; });
    const double start = ns::now();
    loop().run(0.2);
    const double deviceSeconds = ns::now() - start;
    EXPECT_GT(deviceSeconds, 600) << "the clock ran an hour a second";
    EXPECT_GE(fired, 2) << "the timer goes on at a fast rate";
    EXPECT_LE(fired, 0.2 * 30 + 3) << "not once per device second (" << deviceSeconds << " of them), nor more "
                                      "often than 30 times a real second";
}

TEST_F(HeldClockTest, RealTimeTimersGoOnWhileTheClockIsPausedAndDeviceTimersWait) {
    ns::useRealPaceFrom(kMonday);
    ns::pauseClock();
    bool machinery = false, device = false;
    ns::Timer frame = ns::Timer::afterReal(0.02, "a frame's pacing", [&] { machinery = true; });
    ns::Timer wall = ns::Timer::after(0.02, "a device timer", [&] { device = true; });
    loop().run(0.1);
    EXPECT_TRUE(machinery) << "real-time timers do not stop with the device's clock";
    EXPECT_FALSE(device) << "a paused clock's timers do not fall due";
    ns::resumeClock();
    loop().run(0.1);
    EXPECT_TRUE(device);
}

TEST_F(HeldClockTest, VirtualClockJumpsBackForTests) {
    ns::useVirtualClock(kMonday);
    int fired = 0;
    ns::Timer tick = ns::Timer::every(10, "a tick", [&] { ++fired; });
    ns::setClockTo(kMonday - 100);
    loop().runOnce();
    EXPECT_EQ(fired, 1);
    loop().advance(10);
    EXPECT_EQ(fired, 2) << "then once a period again";
}
