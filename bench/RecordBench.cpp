// Recording the live screen: one frame encoded as a drag pushes it (a block
// of the screen moved on each of 60 updates a second), per codec on one
// thread, to choose the codecs; and the bytes a minute of a drag and of a
// still screen take.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "record/Recorder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 750, kHeight = 1334;

// A screen with a light block at `offset`, on a gradient, as a dragged block shows.
void paint(std::vector<std::uint8_t>& rgba, int offset) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kWidth + x) * 4];
            const bool block = x >= offset && x < offset + 200 && y >= 300 + offset && y < 500 + offset;
            p[0] = block ? 240 : static_cast<std::uint8_t>(y / 6);
            p[1] = block ? 240 : static_cast<std::uint8_t>(x / 4);
            p[2] = block ? 240 : 90;
            p[3] = 255;
        }
}

struct Folder {
    Folder() {
        std::string name = (fs::temp_directory_path() / "record-bench-XXXXXX").string();
        if (!mkdtemp(name.data())) std::abort();
        path = name;
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

const record::Format kFormats[] = {
    {record::Kind::WebM, "libvpx"}, {record::Kind::WebM, "libvpx-vp9"}, {record::Kind::MP4, "libx264"},
    {record::Kind::GIF, "gif"}};
const char* kFiles[] = {"drag.webm", "drag-vp9.webm", "drag.mp4", "drag.gif"};

void BM_RecordDragFrame(benchmark::State& state) {
    Folder folder;
    const auto& format = kFormats[state.range(0)];
    const std::string path = (folder.path / kFiles[state.range(0)]).string();
    auto recorder = record::Recorder::open(path, kWidth, kHeight, format);
    if (!recorder) return state.SkipWithError(recorder.reason().c_str());
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
    std::vector<std::vector<std::uint8_t>> screens(60, rgba);
    for (int i = 0; i < 60; ++i) paint(screens[i], i * 5);
    long n = 0;
    for (auto _ : state) {
        auto added = (*recorder)->add(screens[n % 60], static_cast<double>(n) / 60);
        if (!added) return state.SkipWithError(added.reason().c_str());
        ++n;
    }
    if (auto done = (*recorder)->finish(static_cast<double>(n) / 60); !done) return state.SkipWithError(done.reason().c_str());
    state.SetLabel(format.codec);
    state.counters["MB_per_minute_of_drag"] = static_cast<double>(fs::file_size(path)) / 1e6 / (n / 60.0 / 60.0);
}
BENCHMARK(BM_RecordDragFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2);

// A minute of a still screen: its first frame and the one that holds it.
void BM_RecordStillMinute(benchmark::State& state) {
    Folder folder;
    const auto& format = kFormats[state.range(0)];
    const std::string path = (folder.path / kFiles[state.range(0)]).string();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
    paint(rgba, 0);
    for (auto _ : state) {
        auto recorder = record::Recorder::open(path, kWidth, kHeight, format);
        if (!recorder) return state.SkipWithError(recorder.reason().c_str());
        if (!(*recorder)->add(rgba, 0) || !(*recorder)->finish(60)) return state.SkipWithError("cannot record");
    }
    state.SetLabel(format.codec);
    state.counters["bytes_per_minute_still"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_RecordStillMinute)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
