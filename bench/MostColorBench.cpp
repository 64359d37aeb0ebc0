// The dominant colour of a photo-sized image, against reading its bytes once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "UIImage+UIMostColor.h"
#include "uikit/UIKit.h"

namespace {

constexpr std::size_t kWidth = 4032, kHeight = 3024;

// A flat sky over the top 40 %, a noisy gradient below.
CGImageRef photo() {
    static CGImageRef image = [] {
        std::vector<std::uint8_t> px(kWidth * kHeight * 4);
        std::mt19937 noise(7);
        for (std::size_t y = 0; y < kHeight; ++y)
            for (std::size_t x = 0; x < kWidth; ++x) {
                std::uint8_t* p = &px[4 * (y * kWidth + x)];
                if (y < kHeight * 4 / 10) {
                    p[0] = 110, p[1] = 160, p[2] = 230;
                } else {
                    p[0] = static_cast<std::uint8_t>(x * 255 / kWidth ^ (noise() & 15));
                    p[1] = static_cast<std::uint8_t>(y * 255 / kHeight ^ (noise() & 15));
                    p[2] = static_cast<std::uint8_t>(noise() & 63);
                }
                p[3] = 255;
            }
        return cg::makeImage(kWidth, kHeight, std::move(px));
    }();
    return image;
}

void BM_MostColorPhoto(benchmark::State& state) {
    orvelle::addMostColorCategory();
    id image = ui::makeImage(photo());
    for (auto _ : state) benchmark::DoNotOptimize(rt::send<id()>(image, "mostColor"));
}
BENCHMARK(BM_MostColorPhoto)->Unit(benchmark::kMillisecond);

// The floor: every byte of the image read once.
void BM_ReadPhotoBytesOnce(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = photo()->rgba;
    const auto* words = reinterpret_cast<const std::uint64_t*>(bytes.data());
    for (auto _ : state) benchmark::DoNotOptimize(std::accumulate(words, words + bytes.size() / 8, std::uint64_t{0}));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadPhotoBytesOnce)->Unit(benchmark::kMillisecond);

void BM_CountSampleKeys(benchmark::State& state) {
    std::vector<std::uint8_t> sample(2500 * 4);
    std::mt19937 noise(3);
    for (std::size_t i = 0; i < 2500; ++i)
        for (int c = 0; c < 3; ++c) sample[4 * i + c] = i < 1000 ? 100 : static_cast<std::uint8_t>(noise());
    for (std::size_t i = 0; i < 2500; ++i) sample[4 * i + 3] = 255;
    for (auto _ : state) benchmark::DoNotOptimize(orvelle::mostFrequentKey(sample.data(), 2500));
}
BENCHMARK(BM_CountSampleKeys)->Unit(benchmark::kMicrosecond);

}  // namespace
