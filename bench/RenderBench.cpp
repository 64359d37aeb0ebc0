// Frames of the lock screen: a 375 x 667 screen at 2x with a panel-like tree
// (stacked clock, date, subtitle, weather block, a notification card), the
// colon mid-fade, the status bar and the wallpaper; drawn, then encoded and
// sent as the live page gets them: the colon's fade as a changed region, and
// a whole frame, with the candidate encoders side by side.
#include <benchmark/benchmark.h>

#include <spng.h>
#include <sys/socket.h>
#include <unistd.h>

#include "LiveScreen.h"
#include "foundation/RunLoop.h"
#include "renderer/FrameDiff.h"
#include "renderer/LivePNG.h"
#include "renderer/Renderer.h"
#include "uikit/UIKit.h"

namespace {

id label(CGRect frame, std::string_view text, std::string_view font, double size, long alignment = 4) {
    id l = ui::makeLabel(frame);
    ui::setText(l, NSStr(text));
    ui::setFont(l, ui::fontWithName_size(NSStr(font), size));
    ui::setTextColor(l, ui::whiteColor());
    ui::setTextAlignment(l, alignment);
    return l;
}

// The window of a lock screen showing the stacked clock style.
id panelScreen() {
    id window = ui::makeWindow(CGRectMake(0, 0, 375, 667));
    id dateView = ui::makeView(CGRectMake(0, 0, 375, 160));
    id clock = ui::makeView(CGRectMake(0, 30, 175, 135));
    id weather = ui::makeView(CGRectMake(305, 30, 90, 90));

    id time = label(CGRectMake(10, 0, 250, 90), "21:05", "PingFangSC-Thin", 55);
    id colonless = ui::mutableAttributedString("21:05");
    ui::addAttribute_value_range(colonless, NSStr(NSForegroundColorAttributeName), ui::colorWithWhite_alpha(1, 0),
                                 ui::rangeOfString("21:05", ":"));
    ui::setAttributedText(time, colonless);
    id overlay = label(CGRectMake(10, 0, 250, 90), "21:05", "PingFangSC-Thin", 55);
    id date = label(CGRectMake(10, 67, 200, 60), "Monday\n2026-12-07", "PingFangSC-Regular", 15, 0);
    ui::setNumberOfLines(date, 0);
    ui::setLineBreakMode(date, 0);
    id subtitle = label(CGRectMake(10, 120, 200, 15), "Have a good evening", "PingFangSC-Thin", 15, 0);
    ui::addSubview(clock, time);
    ui::addSubview(clock, date);
    ui::addSubview(clock, overlay);
    ui::addSubview(clock, subtitle);

    id icon = ui::makeImageView(CGRectMake(0, 5, 60, 60));
    ui::setImage(icon, ui::makeImage(cg::makeFlatImage(120, 120, 255, 204, 0, 255), 2));
    ui::addSubview(weather, icon);
    ui::addSubview(weather, label(CGRectMake(0, 65, 90, 30), "21°", "PingFangSC-Medium", 30));

    id card = ui::makeView(CGRectMake(8, 200, 359, 90));
    ui::setBackgroundColor(card, ui::colorWithWhite_alpha(1, 0.35));
    ui::addSubview(card, label(CGRectMake(12, 10, 335, 20), "MESSAGES", "PingFangSC-Semibold", 13, 0));
    id body = label(CGRectMake(12, 32, 335, 50), "Dinner at eight? I booked the table by the window, see you there.",
                    "PingFangSC-Regular", 15, 0);
    ui::setNumberOfLines(body, 2);
    ui::addSubview(card, body);

    ui::addSubview(dateView, clock);
    ui::addSubview(dateView, weather);
    ui::addSubview(window, dateView);
    ui::addSubview(window, card);

    ui::animateWithDuration_animations(1.0, [&] { ui::setAlpha(overlay, 0); });  // the colon's fade, running
    return window;
}

// The panel's screen at 375 x 667 and 2x, half a second into the colon's fade.
render::RenderOptions panelFrame() {
    const double t0 = 1'800'000'000;
    ns::useVirtualClock(t0);
    render::RenderOptions options;
    options.width = 375;
    options.height = 667;
    options.scale = 2;
    options.roots = {panelScreen()};
    options.now = t0 + 0.5;
    options.statusBar.time = "21:05";
    return options;
}

void BM_FullFrame375x667At2x(benchmark::State& state) {
    render::RenderOptions options = panelFrame();
    for (auto _ : state) {
        render::Frame frame = render::renderScreen(options);
        benchmark::DoNotOptimize(frame.surface());
    }
    ui::pruneAnimations(1e18);
    ns::useRealClock();
}
BENCHMARK(BM_FullFrame375x667At2x)->Unit(benchmark::kMillisecond);

// The frame as the web simulator sends it: rendered and encoded as PNG.
void BM_FullFrameAsPNG(benchmark::State& state) {
    render::RenderOptions options = panelFrame();
    for (auto _ : state) {
        std::string png = render::renderScreen(options).encodePNG(/*fast=*/true);
        benchmark::DoNotOptimize(png.data());
    }
    ui::pruneAnimations(1e18);
    ns::useRealClock();
}
BENCHMARK(BM_FullFrameAsPNG)->Unit(benchmark::kMillisecond);

// ---- the live page's updates ----------------------------------------------------

// Two frames of the colon's fade, a sixtieth of a second apart.
struct FadeFrames {
    render::Frame before, now;
    FadeFrames() {
        render::RenderOptions options = panelFrame();
        before = render::renderScreen(options);
        options.now = *options.now + 1.0 / 60;
        now = render::renderScreen(options);
        ui::pruneAnimations(1e18);
        ns::useRealClock();
    }
};

// A local socket the update is written to and read back from, as a feed's is.
class Wire {
public:
    Wire() {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) std::abort();
        int size = 8 << 20;
        setsockopt(fds_[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        setsockopt(fds_[1], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    ~Wire() {
        close(fds_[0]);
        close(fds_[1]);
    }
    void carry(const std::string& bytes) {
        std::size_t sent = 0, got = 0;
        while (got < bytes.size()) {
            if (sent < bytes.size()) {
                ssize_t n = send(fds_[0], bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT);
                if (n > 0) sent += static_cast<std::size_t>(n);
            }
            ssize_t n = recv(fds_[1], buffer_, sizeof buffer_, MSG_DONTWAIT);
            if (n > 0) got += static_cast<std::size_t>(n);
        }
    }

private:
    int fds_[2];
    char buffer_[1 << 16];
};

std::string updateOf(const render::Frame& frame, const std::vector<render::PixelRect>& rects, bool whole) {
    return springboard::screenUpdateFrame(frame, rects, whole, 1, 0);
}

// The colon's fade as the page gets it: compared in tiles with the last
// frame, the changed region encoded, the update written to the feed.
void BM_ColonFadeUpdate(benchmark::State& state) {
    FadeFrames frames;
    Wire wire;
    std::size_t bytes = 0, regions = 0;
    for (auto _ : state) {
        std::vector<render::PixelRect> rects = render::changedRects(frames.before, frames.now);
        std::string update = updateOf(frames.now, rects, false);
        wire.carry(update);
        bytes = update.size();
        regions = rects.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["regions"] = static_cast<double>(regions);
}
BENCHMARK(BM_ColonFadeUpdate)->Unit(benchmark::kMicrosecond);

// The comparison alone: two frames of the fade, in tiles.
void BM_CompareFrames(benchmark::State& state) {
    FadeFrames frames;
    for (auto _ : state) benchmark::DoNotOptimize(render::changedRects(frames.before, frames.now).size());
}
BENCHMARK(BM_CompareFrames)->Unit(benchmark::kMicrosecond);

// A whole frame as the page gets it when it connects or most of the screen changed.
void BM_WholeFrameUpdate(benchmark::State& state) {
    FadeFrames frames;
    Wire wire;
    std::size_t bytes = 0;
    const std::vector<render::PixelRect> whole{{0, 0, frames.now.width(), frames.now.height()}};
    for (auto _ : state) {
        std::string update = updateOf(frames.now, whole, true);
        wire.carry(update);
        bytes = update.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WholeFrameUpdate)->Unit(benchmark::kMillisecond);

// The candidates for the whole frame's encoding, the frame drawn once:
// libdeflate at levels 0 (stored), 1, 3 and 6, libpng and libspng at their
// fastest settings.
void BM_EncodeWholeFrame_libdeflate(benchmark::State& state) {
    FadeFrames frames;
    std::size_t bytes = 0;
    const render::PixelRect all{0, 0, frames.now.width(), frames.now.height()};
    for (auto _ : state) bytes = render::encodeLivePNG(frames.now, all, static_cast<int>(state.range(0))).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeWholeFrame_libdeflate)->Arg(0)->Arg(1)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_EncodeWholeFrame_libpng(benchmark::State& state) {
    FadeFrames frames;
    std::size_t bytes = 0;
    for (auto _ : state) bytes = frames.now.encodePNG(/*fast=*/true).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeWholeFrame_libpng)->Unit(benchmark::kMillisecond);

void BM_EncodeWholeFrame_spng(benchmark::State& state) {
    FadeFrames frames;
    const render::Frame& f = frames.now;
    // spng takes straight RGB rows, as the live encoder writes them.
    std::vector<unsigned char> rgb(static_cast<std::size_t>(f.width()) * f.height() * 3);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const unsigned char* data = cairo_image_surface_get_data(f.surface());
        const int stride = cairo_image_surface_get_stride(f.surface());
        for (int y = 0; y < f.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            unsigned char* out = &rgb[static_cast<std::size_t>(y) * f.width() * 3];
            for (int x = 0; x < f.width(); ++x) {
                out[3 * x] = static_cast<unsigned char>(row[x] >> 16);
                out[3 * x + 1] = static_cast<unsigned char>(row[x] >> 8);
                out[3 * x + 2] = static_cast<unsigned char>(row[x]);
            }
        }
        spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
        spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
        spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 1);
        spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP);
        spng_ihdr ihdr{static_cast<std::uint32_t>(f.width()), static_cast<std::uint32_t>(f.height()), 8,
                       SPNG_COLOR_TYPE_TRUECOLOR, 0, 0, 0};
        spng_set_ihdr(ctx, &ihdr);
        spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
        std::size_t size = 0;
        int error = 0;
        void* png = spng_get_png_buffer(ctx, &size, &error);
        std::free(png);
        spng_ctx_free(ctx);
        bytes = size;
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeWholeFrame_spng)->Unit(benchmark::kMillisecond);

}  // namespace
