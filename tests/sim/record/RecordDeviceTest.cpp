// A booted device's screen recorded live: a drag of the clock block shows as
// frames at the drag's times, a still screen as a few frames, and a refused
// recording leaves no file under its name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Command.h"
#include "RecordingProbe.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class RecordDevice : public ::testing::Test {
protected:
    void SetUp() override {
        markUpdateNoticeSeen(device.path());
        ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
        Output booted = sim({"boot", device.path()});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
    }
    fs::path out(const char* name) const { return fs::path(device.path()).parent_path() / name; }
    bool recordingBegun() const {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(out("."), ec))
            if (entry.path().filename().string().starts_with(".drag.webm.part-")) return true;
        return fs::exists(out("drag.webm"));
    }

    TestDevice device;
};

TEST_F(RecordDevice, ADragShowsAsFramesAtItsTimes) {
    // The clock block is held, then dragged, while the screen is recorded. The
    // recording's time starts with its first picture, when its working file
    // appears; the hand's times are taken from then too.
    double dragFrom = 0, dragTo = 0;
    std::thread hand([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!recordingBegun() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        sim({"touch", device.path(), "press", "80", "90", "--hold", "1.2"});
        dragFrom = since(start);
        sim({"touch", device.path(), "drag", "80", "90", "200", "400", "--steps", "240"});
        dragTo = since(start);
    });
    Output recorded = sim({"record", device.path(), out("drag.webm").string(), "--seconds", "8"});
    hand.join();
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    Probed drag = probeRecording(out("drag.webm").string());
    ASSERT_EQ(drag.error, "");
    EXPECT_EQ(drag.codec, "vp9");
    EXPECT_EQ(drag.width, 750);
    int during = 0;
    for (double t : drag.times) during += t >= dragFrom - 0.3 && t <= dragTo + 0.5;
    std::printf("drag from %.2f s to %.2f s: %d of %zu frames then\n", dragFrom, dragTo, during, drag.times.size());
    EXPECT_GE(during, 10) << "the drag left few frames";
    EXPECT_NEAR(drag.times.back(), 8, 0.5) << "the last frame is held to the end";

}

// The stock lock screen between two minutes: nothing moves, a few frames
// make the whole recording, not sixty a second.
TEST(RecordStill, AStillScreenIsAFewFrames) {
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    const fs::path file = fs::path(device.path()).parent_path() / "still.mp4";
    Output still = sim({"record", device.path(), file.string(), "--seconds", "3"});
    ASSERT_EQ(still.exitCode, 0) << still.err;
    Probed quiet = probeRecording(file.string());
    ASSERT_EQ(quiet.error, "");
    EXPECT_EQ(quiet.codec, "h264");
    EXPECT_LE(quiet.times.size(), 4u);
    EXPECT_NEAR(quiet.times.back(), 3, 0.5) << "the last frame is held to the end";
}

TEST_F(RecordDevice, ARefusedRecordingSaysWhyAndLeavesNoFile) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"x.avi"}, ".webm, .mp4 or .gif"},
        {{"x.webm", "--seconds", "-2"}, "above 0 and at most 3600"},
        {{"x.webm", "--seconds", "86400"}, "above 0 and at most 3600"},
        {{"x.webm", "--seconds", "soon"}, "above 0 and at most 3600"},
        {{"no-such-folder/x.webm"}, "is not a folder this user can write"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"record", device.path(), out(c.args[0].c_str()).string()};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        Output refused = sim(args);
        EXPECT_NE(refused.exitCode, 0) << c.args[0];
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(out(c.args[0].c_str()))) << c.args[0];
    }
    ASSERT_EQ(sim({"shutdown", device.path()}).exitCode, 0);
    Output stopped = sim({"record", device.path(), out("x.webm").string()});
    EXPECT_NE(stopped.err.find("is not booted"), std::string::npos) << stopped.err;
    EXPECT_FALSE(fs::exists(out("x.webm")));
}

}  // namespace
