// The run loop's descriptor sources, observers, clocks and boundaries, and the
// process owner that tests make afresh.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"

using ns::RunLoop;

namespace {

// Captures the log while it lives.
class LogCapture {
public:
    LogCapture() {
        ns::setLogSink([this](const std::string& line) { lines.push_back(line); });
    }
    ~LogCapture() { ns::setLogSink({}); }
    bool has(const std::string& part) const {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> lines;
};

struct Pipe {
    Pipe() { EXPECT_EQ(pipe(fd), 0); }
    ~Pipe() {
        close(fd[0]);
        close(fd[1]);
    }
    int fd[2];
};

int thrown = 0;
void throwingTick(id, SEL, id) {
    ++thrown;
    throw std::runtime_error("the panel is gone");
}
void quietTick(id, SEL) {}

rt::Class* tickerClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_registerClass("RunLoopTestTicker", rt::NSObjectClass());
        rt::defineMethod(c, "updateTime:", &throwingTick);
        rt::defineMethod(c, "quiet", &quietTick);
        return c;
    }();
    return cls;
}

}  // namespace

TEST(RunLoopSources, ADescriptorWakesTheSleepingLoopAndNothingElseDoes) {
    ns::ProcessScope fresh;
    Pipe p;
    std::string got;
    auto source = RunLoop::main().watch(p.fd[0], RunLoop::Readable, "test pipe", [&](unsigned ready) {
        EXPECT_TRUE(ready & RunLoop::Readable);
        char buffer[16];
        ssize_t n = read(p.fd[0], buffer, sizeof buffer);
        got.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        RunLoop::main().stop();
    });
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(write(p.fd[1], "ping", 4), 4);
    });
    RunLoop::main().run(30);  // returns at stop(); the bound only guards a broken wake-up
    writer.join();
    EXPECT_EQ(got, "ping");
    EXPECT_LE(RunLoop::main().wakeups(), 2u) << "the loop woke without a reason while it waited";
}

TEST(RunLoopSources, ARemovedSourceIsNotCalledEvenWhenReadyInTheSameBatch) {
    ns::ProcessScope fresh;
    Pipe a, b;
    ASSERT_EQ(write(a.fd[1], "x", 1), 1);
    ASSERT_EQ(write(b.fd[1], "y", 1), 1);
    std::unique_ptr<RunLoop::Source> first, second;
    int calls = 0;
    // Whichever runs first removes the other.
    first = RunLoop::main().watch(a.fd[0], RunLoop::Readable, "a", [&](unsigned) {
        ++calls;
        second.reset();
    });
    second = RunLoop::main().watch(b.fd[0], RunLoop::Readable, "b", [&](unsigned) {
        ++calls;
        first.reset();
    });
    RunLoop::main().runOnce();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(RunLoop::main().sourceCount(), 1u);
}

TEST(RunLoopSources, AWritableEndAndAHangUpAreReported) {
    ns::ProcessScope fresh;
    int fd[2];
    ASSERT_EQ(pipe(fd), 0);
    unsigned seen = 0;
    auto writer = RunLoop::main().watch(fd[1], RunLoop::Writable, "writer", [&](unsigned ready) { seen |= ready; });
    RunLoop::main().runOnce();
    EXPECT_TRUE(seen & RunLoop::Writable);
    writer.reset();
    close(fd[1]);
    seen = 0;
    auto reader = RunLoop::main().watch(fd[0], RunLoop::Readable, "reader", [&](unsigned ready) { seen |= ready; });
    RunLoop::main().runOnce();
    EXPECT_TRUE(seen & RunLoop::Hangup) << "every writer has gone";
    reader.reset();
    close(fd[0]);
}

TEST(RunLoopTimers, ATimerThatThrowsIsLoggedByTargetAndSelectorAndTheLoopGoesOn) {
    ns::ProcessScope fresh;
    ns::useVirtualClock(1000);
    LogCapture log;
    thrown = 0;
    ns::scheduledTimer(1, rt::allocInit(tickerClass()), rt::sel_registerName("updateTime:"), {}, true);
    int blocks = 0;
    ns::scheduledTimer(1, true, [&](const id&) { ++blocks; }, "the other timer");
    RunLoop::main().advance(3);
    EXPECT_EQ(thrown, 3) << "a timer that threw keeps its schedule";
    EXPECT_EQ(blocks, 3) << "other timers still fire";
    EXPECT_TRUE(log.has("RunLoop: timer -[RunLoopTestTicker updateTime:] threw: the panel is gone; the run loop goes on"))
        << (log.lines.empty() ? "" : log.lines[0]);
}

TEST(RunLoopTimers, ABlockTimerGetsItsTimerAndCanStopItself) {
    ns::ProcessScope fresh;
    ns::useVirtualClock(1000);
    std::vector<double> at;
    id timer = ns::scheduledTimer(0.5, true, [&](const id& t) {
        at.push_back(ns::now() - 1000);
        if (at.size() == 2) rt::cast<NSTimer>(t)->invalidate();
    });
    RunLoop::main().advance(5);
    EXPECT_EQ(at, (std::vector<double>{0.5, 1.0}));
    EXPECT_FALSE(rt::cast<NSTimer>(timer)->valid);
    EXPECT_EQ(RunLoop::main().timerCount(), 0u);
}

TEST(RunLoopTimers, ARealLoopSleepsUntilEachFireDate) {
    ns::ProcessScope fresh;
    int fired = 0;
    ns::scheduledTimer(0.1, true, [&](const id&) { ++fired; });
    RunLoop::main().run(0.55);
    EXPECT_GE(fired, 4);
    EXPECT_LE(fired, 5);
    // One wake per firing (and one at the deadline), never a poll.
    EXPECT_LE(RunLoop::main().wakeups(), static_cast<std::uint64_t>(fired) + 2);
}

TEST(Clocks, RealPaceFromAStartMovesWithRealTimeAndTimersFollowIt) {
    ns::ProcessScope fresh;
    const double start = 1800000000;  // 2027-01-15
    ns::useRealPaceFrom(start);
    EXPECT_FALSE(ns::clockIsVirtual());
    EXPECT_NEAR(ns::now(), start, 0.05);
    double firedAt = 0;
    ns::scheduledTimer(0.2, false, [&](const id&) {
        firedAt = ns::now();
        RunLoop::main().stop();
    });
    auto before = std::chrono::steady_clock::now();
    RunLoop::main().run(10);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_NEAR(firedAt, start + 0.2, 0.1);
    EXPECT_GE(waited, 0.19) << "the timer fired before its date";
    EXPECT_LE(RunLoop::main().wakeups(), 2u);
}

TEST(Clocks, AVirtualClockNeverMovesBackwards) {
    ns::ProcessScope fresh;
    ns::useVirtualClock(500);
    ns::Process::current().clock().moveVirtualTo(400);
    EXPECT_EQ(ns::now(), 500);
    ns::Process::current().clock().moveVirtualTo(600);
    EXPECT_EQ(ns::now(), 600);
}

TEST(NotificationCenterBoundary, AnObserverThatThrowsIsLoggedAndTheOthersStillHear) {
    ns::ProcessScope fresh;
    LogCapture log;
    thrown = 0;
    rt::Class* cls = tickerClass();
    static int heard = 0;
    heard = 0;
    rt::defineMethod(cls, "heard:", +[](id, SEL, id) { ++heard; });
    ns::addObserver(rt::allocInit(cls), rt::sel_registerName("updateTime:"), "weatherShouldUpdateNow");
    ns::addObserver(rt::allocInit(cls), rt::sel_registerName("heard:"), "weatherShouldUpdateNow");
    ns::postNotification("weatherShouldUpdateNow", {});
    EXPECT_EQ(thrown, 1);
    EXPECT_EQ(heard, 1);
    EXPECT_TRUE(log.has("observer -[RunLoopTestTicker updateTime:] of \"weatherShouldUpdateNow\" threw: the panel is gone"));
}

TEST(ProcessOwner, AFreshProcessHasItsOwnStateAndLetsGoOfItWhenItEnds) {
    ns::useRealClock();
    std::size_t outerTimers = RunLoop::main().timerCount();
    std::weak_ptr<rt::Object> target;
    {
        ns::ProcessScope fresh;
        ns::useVirtualClock(42);
        EXPECT_EQ(ns::now(), 42);
        id t = rt::allocInit(tickerClass());
        target = t;
        ns::scheduledTimer(1, t, rt::sel_registerName("quiet"), {}, true);
        ns::addObserver(t, rt::sel_registerName("quiet"), "ShowClockNow");
        EXPECT_EQ(RunLoop::main().timerCount(), 1u);
        EXPECT_EQ(ns::observerCount("ShowClockNow"), 1u);
        struct Part {
            int ticks = 0;
        };
        ns::Process::current().part<Part>().ticks = 7;
        EXPECT_EQ(ns::Process::current().part<Part>().ticks, 7);
    }
    EXPECT_TRUE(target.expired()) << "the ended process still holds its timer's target";
    EXPECT_FALSE(ns::clockIsVirtual()) << "the process's own clock came back";
    EXPECT_EQ(RunLoop::main().timerCount(), outerTimers);
    EXPECT_EQ(ns::observerCount("ShowClockNow"), 0u);
}
