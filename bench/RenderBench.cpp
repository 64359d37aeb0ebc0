// One full frame of the lock screen: a 375 x 667 screen at 2x with a panel-like
// tree (stacked clock, date, subtitle, weather block, a notification card), the
// colon mid-fade, the status bar and the wallpaper.
#include <benchmark/benchmark.h>

#include "foundation/RunLoop.h"
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

}  // namespace
