// The toolkit's hot paths: drawing a large image into a small bitmap, a
// one-pixel fill, a label's attributed-text step, a layout pass, a message send.
#include <benchmark/benchmark.h>

#include "graphics/BitmapContext.h"
#include "uikit/UIKit.h"

namespace {

CGImageRef bigImage() {
    static CGImageRef image = [] {
        std::vector<std::uint8_t> px(4032u * 3024u * 4);
        for (std::size_t i = 0; i < px.size(); i += 4) {
            px[i] = static_cast<std::uint8_t>(i / 4 % 251);
            px[i + 1] = static_cast<std::uint8_t>(i / 4 % 241);
            px[i + 2] = 40;
            px[i + 3] = 255;
        }
        return cg::makeImage(4032, 3024, std::move(px));
    }();
    return image;
}

// The same photo-sized image drawn again and again (an image view redrawn, a
// colour sampled twice).
void BM_DrawLargeImageInto50(benchmark::State& state) {
    CGImageRef image = bigImage();
    for (auto _ : state) {
        auto c = CGBitmapContextCreate(nullptr, 50, 50, 8, 200, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
        CGContextDrawImage(c, CGRectMake(0, 0, 50, 50), image);
        benchmark::DoNotOptimize(CGBitmapContextGetData(c));
    }
}
BENCHMARK(BM_DrawLargeImageInto50)->Unit(benchmark::kMillisecond);

void BM_FillOnePixel(benchmark::State& state) {
    auto color = CGColorCreateRGBA(1, 1, 1, 0.5);
    for (auto _ : state) {
        auto c = CGBitmapContextCreate(nullptr, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
        CGContextSetFillColorWithColor(c, color);
        CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
        benchmark::DoNotOptimize(CGBitmapContextGetData(c));
    }
}
BENCHMARK(BM_FillOnePixel);

// What a time label does once a second, without formatting: a new attributed
// text with a transparent colon.
void BM_LabelAttributedTextStep(benchmark::State& state) {
    id label = ui::makeLabel(CGRectMake(10, 0, 250, 90));
    id clearWhite = ui::colorWithWhite_alpha(1, 0);
    for (auto _ : state) {
        id s = ui::mutableAttributedString("21:05");
        ui::addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), clearWhite,
                                     ui::rangeOfString("21:05", ":"));
        ui::setAttributedText(label, s);
        benchmark::DoNotOptimize(ui::effectiveRuns(label));
    }
}
BENCHMARK(BM_LabelAttributedTextStep);

// A panel-sized tree (a window, 2 containers, 10 views each) laid out after every view was marked.
void BM_LayoutPass(benchmark::State& state) {
    id window = ui::makeWindow(CGRectMake(0, 0, 375, 667));
    std::vector<id> views;
    for (int i = 0; i < 2; ++i) {
        id box = ui::makeView(CGRectMake(0, 100.0 * i, 375, 65));
        ui::addSubview(window, box);
        views.push_back(box);
        for (int k = 0; k < 10; ++k) {
            id v = ui::makeView(CGRectMake(k, 0, 10, 10));
            ui::addSubview(box, v);
            views.push_back(v);
        }
    }
    for (auto _ : state) {
        for (const id& v : views) ui::setNeedsLayout(v);
        ui::layoutPass();
    }
}
BENCHMARK(BM_LayoutPass);

void BM_SendSetFrame(benchmark::State& state) {
    id v = ui::makeView();
    double x = 0;
    for (auto _ : state) ui::setFrame(v, CGRectMake(x += 1, 0, 10, 10));
}
BENCHMARK(BM_SendSetFrame);

}  // namespace
