#include "LiveScreen.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <list>
#include <memory>

#include "Screen.h"
#include "device/ScreenFeed.h"
#include "foundation/RunLoop.h"
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
    void adopt(int fd, std::string after) {
        auto w = std::make_unique<Watcher>();
        w->fd = fd;
        w->wantsWhole = true;
        Watcher* raw = w.get();
        w->source = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "screen feed",
                                              [this, raw](unsigned ready) { onReady(*raw, ready); });
        watchers_.push_back(std::move(w));
        heard(*raw, after);
        if (!observer_) observer_ = ns::RunLoop::main().observePasses("live screen", [this] { afterPass(); });
        drawSoon();
    }

    std::size_t count() const { return watchers_.size(); }

private:
    struct Watcher {
        int fd = -1;
        std::deque<std::string> queue;  // whole updates; the front maybe partly sent
        std::size_t sentOfFront = 0;
        std::size_t queued = 0;
        bool wantsWhole = false;
        bool gone = false;
        std::string in;
        std::unique_ptr<ns::RunLoop::Source> source;
        ~Watcher() {
            source.reset();
            if (fd >= 0) close(fd);
        }
    };

    void onReady(Watcher& w, unsigned ready) {
        if (ready & ns::RunLoop::Writable) flush(w);
        if (w.gone) return forgetGone();
        if (ready & (ns::RunLoop::Readable | ns::RunLoop::Hangup)) {
            char buffer[256];
            ssize_t n = recv(w.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                w.gone = true;
                return forgetGone();
            }
            if (n > 0) heard(w, std::string(buffer, static_cast<std::size_t>(n)));
        }
    }

    // The watcher's requests: "whole" lines.
    void heard(Watcher& w, const std::string& bytes) {
        w.in += bytes;
        for (std::size_t end; (end = w.in.find('\n')) != std::string::npos;) {
            if (w.in.compare(0, end, sim::kWholeFrameRequest) == 0) {
                w.wantsWhole = true;
                drawSoon();
            }
            w.in.erase(0, end + 1);
        }
        if (w.in.size() > 1024) w.in.clear();
    }

    void forgetGone() {
        watchers_.remove_if([](const std::unique_ptr<Watcher>& w) { return w->gone; });
        if (watchers_.empty()) {
            observer_.reset();
            cancel(tick_);
            cancel(minute_);
            diff_.reset();
        }
    }

    static void cancel(id& timer) {
        if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
        timer = nullptr;
    }

    // The next drawing, at the display's pace: never sooner than a refresh
    // after the last one.
    void drawSoon() {
        if (tick_) return;
        double wait = std::max(0.0, lastDrawn_ + 1 / kDisplayHz - ns::now());
        tick_ = ns::scheduledTimer(wait, false, [this](const id&) { tick_ = nullptr; }, "the live screen's refresh");
        // The timer's own pass draws (afterPass).
    }

    void afterPass() {
        if (watchers_.empty()) return;
        const double t = ns::now();
        if (t - lastDrawn_ < 1 / kDisplayHz - 1e-4) {
            drawSoon();
            return;
        }
        draw(t);
    }

    void draw(double t) {
        lastDrawn_ = t;
        render::Frame frame = renderScreenNow();
        if (frame.empty()) return;
        const int width = frame.width(), height = frame.height();
        std::vector<render::PixelRect> rects = diff_.next(std::move(frame));
        const render::Frame& shown = diff_.last();

        long changed = 0;
        for (const auto& r : rects) changed += r.area();
        const bool mostly = changed > kWholeShare * width * height;
        std::string part, whole;
        auto wholeUpdate = [&] {
            if (whole.empty()) {
                sim::ScreenUpdate u{++serial_, width, height, true, {}};
                u.pictures.push_back({0, 0, width, height, render::encodeLivePNG(shown, {0, 0, width, height}, render::kWholeLevel)});
                whole = sim::encodeScreenUpdate(u);
            }
            return whole;
        };
        if (!rects.empty() && !mostly) {
            sim::ScreenUpdate u{++serial_, width, height, false, {}};
            for (const auto& r : rects) u.pictures.push_back({r.x, r.y, r.width, r.height, render::encodeLivePNG(shown, r)});
            part = sim::encodeScreenUpdate(u);
        }
        for (auto& w : watchers_) {
            if (w->wantsWhole || (mostly && !rects.empty())) {
                w->wantsWhole = false;
                dropWaiting(*w);  // the whole screen supersedes it
                send(*w, wholeUpdate());
            } else if (!part.empty()) {
                send(*w, part);
            }
        }
        forgetGone();
        scheduleFollowing(t);
    }

    // While something animates, the next refresh; else the status bar's
    // next minute.
    void scheduleFollowing(double t) {
        ui::pruneAnimations(t);
        if (!ui::animations().empty()) {
            drawSoon();
            return;
        }
        if (minute_) return;
        double next = (std::floor(t / 60) + 1) * 60 - t + 0.001;
        minute_ = ns::scheduledTimer(next, false, [this](const id&) { minute_ = nullptr; }, "the status bar's minute");
    }

    // Drops the updates that wait, except one partly sent.
    static void dropWaiting(Watcher& w) {
        std::size_t keep = w.sentOfFront > 0 ? 1 : 0;
        while (w.queue.size() > keep) {
            w.queued -= w.queue.back().size();
            w.queue.pop_back();
        }
    }

    void send(Watcher& w, const std::string& bytes) {
        if (w.queued > kBacklogBytes) {
            // Too slow: what waits is dropped, and it catches up with a whole frame.
            dropWaiting(w);
            w.wantsWhole = true;
            drawSoon();
            return;
        }
        w.queue.push_back(bytes);
        w.queued += bytes.size();
        flush(w);
    }

    void flush(Watcher& w) {
        while (!w.queue.empty()) {
            const std::string& front = w.queue.front();
            ssize_t n = ::send(w.fd, front.data() + w.sentOfFront, front.size() - w.sentOfFront, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                w.source->setEvents(ns::RunLoop::Readable | ns::RunLoop::Writable);
                return;
            }
            if (n <= 0) {
                w.gone = true;
                return;
            }
            w.sentOfFront += static_cast<std::size_t>(n);
            if (w.sentOfFront == front.size()) {
                w.queued -= front.size();
                w.queue.pop_front();
                w.sentOfFront = 0;
            }
        }
        w.source->setEvents(ns::RunLoop::Readable);
    }

    std::list<std::unique_ptr<Watcher>> watchers_;
    std::unique_ptr<ns::RunLoop::Observer> observer_;
    render::FrameDiff diff_;
    std::uint64_t serial_ = 0;
    double lastDrawn_ = 0;
    id tick_, minute_;
};

Screen& screen() {
    static Screen s;
    return s;
}

}  // namespace

void watchScreen(int fd, std::string after) { screen().adopt(fd, std::move(after)); }

std::size_t screenWatchers() { return screen().count(); }

}  // namespace springboard
