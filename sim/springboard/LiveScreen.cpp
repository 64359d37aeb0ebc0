#include "LiveScreen.h"

#include <cmath>
#include <list>
#include <memory>

#include "Screen.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "wire/Frame.h"
#include "renderer/FrameDiff.h"
#include "renderer/LivePNG.h"
#include "uikit/Animation.h"

namespace springboard {

namespace {

// A watcher slower than this many unsent bytes gets a whole frame when it
// catches up instead of every update in between.
constexpr std::size_t kBacklogBytes = 8 << 20;
// Past this share of the screen changed, one whole picture is cheaper than regions.
constexpr double kWholeShare = 0.5;

class Screen {
public:
    void adopt(const std::shared_ptr<ControlConnection>& connection) {
        for (const Watcher& w : watchers_)
            if (w.connection.lock() == connection) return;
        watchers_.push_back({connection, true});
        if (!observer_) observer_ = ns::RunLoop::main().observePasses("live screen", [this] { afterPass(); });
        drawSoon();
    }

    void forget(const std::shared_ptr<ControlConnection>& connection) {
        watchers_.remove_if([&](const Watcher& w) { return w.connection.lock() == connection; });
        forgetGone();
    }

    void wantWhole(const std::shared_ptr<ControlConnection>& connection) {
        for (Watcher& w : watchers_)
            if (w.connection.lock() == connection) w.wantsWhole = true;
        drawSoon();
    }

    std::size_t count() {
        forgetGone();
        return watchers_.size();
    }

    void touched(std::uint32_t seq) { touch_ = seq; }

private:
    struct Watcher {
        std::weak_ptr<ControlConnection> connection;
        bool wantsWhole = false;
    };

    void forgetGone() {
        watchers_.remove_if([](const Watcher& w) {
            auto c = w.connection.lock();
            return !c || !c->isOpen();
        });
        if (watchers_.empty()) {
            observer_.reset();
            tick_.cancel();
            minute_.cancel();
            diff_.reset();
        }
    }

    // The next drawing, at the display's pace: never sooner than a refresh
    // after the last one.
    void drawSoon() {
        if (tick_) return;
        // In real time: the display refreshes whatever the device's clock does.
        double wait = std::max(0.0, lastDrawn_ + 1 / kDisplayHz - ns::pace());
        tick_ = ns::Timer::afterReal(wait, "the live screen's refresh", [] {});
        // The timer's own pass draws (afterPass).
    }

    void afterPass() {
        forgetGone();
        if (watchers_.empty()) return;
        const double p = ns::pace();
        if (p - lastDrawn_ < 1 / kDisplayHz - 1e-4) {
            drawSoon();
            return;
        }
        draw(p);
    }

    void draw(double p) {
        lastDrawn_ = p;
        const double t = ns::now();
        render::Frame frame = renderScreenNow();
        if (frame.empty()) return;
        const int width = frame.width(), height = frame.height();
        std::vector<render::PixelRect> rects = diff_.next(std::move(frame));
        const render::Frame& shown = diff_.last();

        long changed = 0;
        for (const auto& r : rects) changed += r.area();
        const bool mostly = changed > kWholeShare * width * height;
        std::string part, whole;
        if (!rects.empty() && !mostly) part = screenUpdateFrame(shown, rects, false, ++serial_, touch_, t);
        for (Watcher& w : watchers_) {
            auto c = w.connection.lock();
            if (!c) continue;
            if (c->backlog() > kBacklogBytes) {
                // Too slow: it catches up with a whole frame once it has taken what waits.
                w.wantsWhole = true;
                continue;
            }
            if (w.wantsWhole || (mostly && !rects.empty())) {
                w.wantsWhole = false;
                if (whole.empty()) whole = screenUpdateFrame(shown, {}, true, ++serial_, touch_, t);
                c->push(whole);
            } else if (!part.empty()) {
                c->push(part);
            }
        }
        forgetGone();
        scheduleFollowing(t);
    }

    // While something animates or a watcher waits to catch up, the next
    // refresh; else the status bar's next minute.
    void scheduleFollowing(double t) {
        ui::pruneAnimations(t);
        bool catchingUp = false;
        for (const Watcher& w : watchers_) catchingUp = catchingUp || w.wantsWhole;
        // A paused clock holds every animation where it is: nothing moves to draw.
        const bool moving = !ui::animations().empty() && !ns::Process::current().clock().paused();
        if (moving || catchingUp) {
            drawSoon();
            return;
        }
        if (minute_) return;
        double next = (std::floor(t / 60) + 1) * 60 - t + 0.001;
        minute_ = ns::Timer::after(next, "the status bar's minute", [] {});
    }

    std::list<Watcher> watchers_;
    std::unique_ptr<ns::RunLoop::Observer> observer_;
    render::FrameDiff diff_;
    std::uint64_t serial_ = 0;
    std::uint32_t touch_ = 0;
    double lastDrawn_ = 0;
    ns::Timer tick_, minute_;
};

Screen& screen() { return ns::Process::current().part<Screen>(); }

}  // namespace

std::string screenUpdateFrame(const render::Frame& shown, const std::vector<render::PixelRect>& rects, bool whole,
                              std::uint64_t serial, std::uint32_t touch, double shows) {
    wire::FromSpringBoard out;
    wire::ScreenUpdate& u = *out.mutable_screen();
    u.set_serial(serial);
    u.set_width(static_cast<std::uint32_t>(shown.width()));
    u.set_height(static_cast<std::uint32_t>(shown.height()));
    u.set_whole(whole);
    u.set_touch(touch);
    u.set_clock(shows);
    auto add = [&](const render::PixelRect& r, int level) {
        wire::ScreenPicture& p = *u.add_pictures();
        p.set_x(static_cast<std::uint32_t>(r.x));
        p.set_y(static_cast<std::uint32_t>(r.y));
        p.set_width(static_cast<std::uint32_t>(r.width));
        p.set_height(static_cast<std::uint32_t>(r.height));
        p.set_png(render::encodeLivePNG(shown, r, level));
    };
    if (whole)
        add({0, 0, shown.width(), shown.height()}, render::kWholeLevel);
    else
        for (const auto& r : rects) add(r, render::kLiveLevel);
    return wire::frame(out);
}

void watchScreen(const std::shared_ptr<ControlConnection>& connection) { screen().adopt(connection); }

void wantWholeScreen(const std::shared_ptr<ControlConnection>& connection) { screen().wantWhole(connection); }

void unwatchScreen(const std::shared_ptr<ControlConnection>& connection) { screen().forget(connection); }

void screenTouched(std::uint32_t seq) { screen().touched(seq); }

std::size_t screenWatchers() { return screen().count(); }

}  // namespace springboard
