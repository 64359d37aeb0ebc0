// Recording files: every kind decodes to frames at the times they were
// given, a still screen costs no frames, and a recording that does not finish
// leaves nothing under its name.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <filesystem>

#include "RecordingProbe.h"
#include "record/Recorder.h"

namespace {

namespace fs = std::filesystem;

class Folder {
public:
    Folder() {
        std::string name = (fs::temp_directory_path() / "record-XXXXXX").string();
        if (!mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = name;
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::vector<std::uint8_t> flat(int w, int h, std::uint8_t shade) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4, shade);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    return names;
}

TEST(Recorder, EveryKindDecodesToFramesAtTheirTimesAndHoldsTheLastToTheEnd) {
    Folder folder;
    const std::vector<double> shown{0, 0.5, 0.52, 1.25};
    for (const char* name : {"a.webm", "a.mp4", "a.gif"}) {
        const std::string path = (folder.path() / name).string();
        auto format = record::formatFor(path);
        ASSERT_TRUE(format) << format.reason();
        // Odd sides: the video kinds round them up, the GIF keeps them.
        auto recorder = record::Recorder::open(path, 75, 133, *format);
        ASSERT_TRUE(recorder) << recorder.reason();
        for (std::size_t i = 0; i < shown.size(); ++i)
            ASSERT_TRUE((*recorder)->add(flat(75, 133, static_cast<std::uint8_t>(40 * i)), shown[i]));
        ASSERT_TRUE((*recorder)->finish(3.0));
        Probed p = probeRecording(path);
        ASSERT_EQ(p.error, "") << name;
        EXPECT_EQ(p.width, std::string(name) == "a.gif" ? 75 : 76) << name;
        EXPECT_EQ(p.height, std::string(name) == "a.gif" ? 133 : 134) << name;
        // The four frames given and the last one held until the end: a still
        // tail is one frame, not one for every tick.
        ASSERT_EQ(p.times.size(), 5u) << name;
        const bool gif = std::string(name) == "a.gif";
        const double tick = gif ? 0.01 : 0.001;
        // A GIF samples: the frame 0.02 s after another waits for its tenth of a second.
        const std::vector<double> expected = gif ? std::vector<double>{0, 0.5, 0.6, 1.25} : shown;
        for (std::size_t i = 0; i < shown.size(); ++i)
            EXPECT_NEAR(p.times[i], expected[i], tick) << name << " frame " << i;
        EXPECT_NEAR(p.times.back(), 3.0, tick) << name;
    }
}

TEST(Recorder, AStillScreenIsItsFirstFrameHeldToTheEnd) {
    Folder folder;
    for (const char* name : {"still.webm", "still.mp4", "still.gif"}) {
        const std::string path = (folder.path() / name).string();
        auto recorder = record::Recorder::open(path, 750, 1334, *record::formatFor(path));
        ASSERT_TRUE(recorder) << recorder.reason();
        ASSERT_TRUE((*recorder)->add(flat(750, 1334, 80), 0.05));
        ASSERT_TRUE((*recorder)->finish(2.0));
        Probed p = probeRecording(path);
        ASSERT_EQ(p.times.size(), 2u) << name << p.error;
        EXPECT_NEAR(p.times.back(), 1.95, 0.01) << name;
    }
}

TEST(Recorder, AGifTakesTenFramesASecondAtMost) {
    Folder folder;
    const std::string path = (folder.path() / "drag.gif").string();
    auto recorder = record::Recorder::open(path, 32, 32, *record::formatFor(path));
    ASSERT_TRUE(recorder) << recorder.reason();
    for (int i = 0; i < 60; ++i) ASSERT_TRUE((*recorder)->add(flat(32, 32, static_cast<std::uint8_t>(i * 4)), i / 60.0));
    ASSERT_TRUE((*recorder)->finish(59 / 60.0));
    Probed p = probeRecording(path);
    ASSERT_EQ(p.error, "");
    EXPECT_GE(p.times.size(), 9u);
    EXPECT_LE(p.times.size(), 11u);
    for (std::size_t i = 1; i < p.times.size(); ++i) EXPECT_GE(p.times[i] - p.times[i - 1], 0.06) << "frame " << i;
}

TEST(Recorder, FramesWithinOneTickAreAllKeptInOrder) {
    Folder folder;
    const std::string path = (folder.path() / "fast.webm").string();
    auto recorder = record::Recorder::open(path, 32, 32, *record::formatFor(path));
    ASSERT_TRUE(recorder) << recorder.reason();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE((*recorder)->add(flat(32, 32, static_cast<std::uint8_t>(i * 50)), 0.1));
    ASSERT_TRUE((*recorder)->finish(0.1));
    Probed p = probeRecording(path);
    ASSERT_EQ(p.times.size(), 5u) << p.error;
    for (std::size_t i = 1; i < p.times.size(); ++i) EXPECT_GT(p.times[i], p.times[i - 1]);
}

TEST(Recorder, ARecordingThatDoesNotFinishLeavesNoFileAndRefusalsSayWhy) {
    Folder folder;
    const std::string path = (folder.path() / "unfinished.mp4").string();
    {
        auto recorder = record::Recorder::open(path, 32, 32, *record::formatFor(path));
        ASSERT_TRUE(recorder) << recorder.reason();
        ASSERT_TRUE((*recorder)->add(flat(32, 32, 9), 0));
        EXPECT_FALSE(fs::exists(path)) << "the name is taken before the recording is whole";
        EXPECT_FALSE((*recorder)->add(flat(16, 16, 9), 0.1)) << "a frame of another size";
    }
    EXPECT_TRUE(namesIn(folder.path()).empty()) << namesIn(folder.path()).front();

    for (const char* bad : {"a.avi", "a", "a.webm.txt"}) {
        auto format = record::formatFor(bad);
        ASSERT_FALSE(format) << bad;
        EXPECT_NE(format.reason().find(".webm, .mp4 or .gif"), std::string::npos) << format.reason();
    }
    auto nowhere = record::Recorder::open("/no/such/folder/a.webm", 32, 32, *record::formatFor("a.webm"));
    ASSERT_FALSE(nowhere);
    EXPECT_NE(nowhere.reason().find("/no/such/folder/a.webm"), std::string::npos) << nowhere.reason();
}

}  // namespace
