// A preview through `serve` on a booted device: the lock screen the next
// restart will build, drawn with the settings as they are now, while the
// device keeps its files, its home screen and what that home screen shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "HttpClient.h"
#include "ServedProcess.h"
#include "graphics/ImageFile.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::optional<webtest::Response> ask(int port, const std::string& method, const std::string& what, const std::string& body) {
    webtest::Connection c(port, 60);
    webtest::Headers headers{{"Content-Type", "application/json"}};
    if (!c.send(webtest::requestText(method, what, port, headers, body))) return std::nullopt;
    return c.read();
}

// Every file the device keeps, with its bytes (the run folder's live parts aside).
std::map<std::string, std::string> keptFiles(const fs::path& device) {
    std::map<std::string, std::string> files;
    for (const char* top : {"var", "Library"}) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(device / top, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_regular_file() && !it->is_symlink()) files[fs::relative(it->path(), device).string()] = readFile(it->path());
    }
    return files;
}

// The clock block's frame as the live home screen lays it out.
std::string liveBlockFrame(const std::string& device) {
    Output out = sim({"dump", device});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    std::string frames;
    std::function<void(const json&)> walk = [&](const json& v) {
        if (v.value("class", "") == "OVClockDragView") frames += v["frame"].dump();
        for (const json& s : v.value("subviews", json::array())) walk(s);
    };
    walk(json::parse(out.out, nullptr, false).value("views", json::object()));
    return frames;
}

// The pid `status` names for SpringBoard, "" when none.
std::string springBoardPid(const std::string& device) {
    std::string out = sim({"status", device}).out;
    std::smatch m;
    static const std::regex line(R"((^|\n)SpringBoard\s+(\d+)\s*(\n|$))");
    return std::regex_search(out, m, line) ? m[2].str() : std::string();
}

CGImageRef previewOf(int port) {
    auto res = ask(port, "POST", "/api/preview", "{}");
    EXPECT_TRUE(res);
    if (!res) return {};
    EXPECT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(res->header("Content-Type"), "image/png");
    auto image = cg::decodeImage(res->body);
    EXPECT_TRUE(image) << image.reason();
    return image ? *image : CGImageRef{};
}

TEST(PreviewDevice, ShowsTheNextBuildWithTodaysSettingsAndLeavesTheDeviceAsItWas) {
    TestDevice device({"--version", "11.1.2", "--screen", "375x667"});
    ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
    ASSERT_EQ(sim({"settings", device.path(), "set", "clockStyle", "1", "--type", "int"}).exitCode, 0);
    markUpdateNoticeSeen(device.path());
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    webtest::ServedProcess served(device.path());
    ASSERT_GT(served.port(), 0) << "serve printed no address";

    CGImageRef before = previewOf(served.port());
    ASSERT_TRUE(before);
    EXPECT_EQ(before->width, 750u);
    EXPECT_EQ(before->height, 1334u);

    // A row that takes effect at the next build: stored now, shown by the preview only.
    Output set = sim({"settings", device.path(), "set", "clockStyle", "2", "--type", "int"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    const std::string pidBefore = springBoardPid(device.path());
    ASSERT_FALSE(pidBefore.empty());
    const std::string blockBefore = liveBlockFrame(device.path());
    const auto filesBefore = keptFiles(device.path());

    CGImageRef after = previewOf(served.port());
    ASSERT_TRUE(after);
    ASSERT_EQ(after->rgba.size(), before->rgba.size());
    EXPECT_NE(after->rgba, before->rgba) << "the preview does not follow the stored style";

    const auto filesAfter = keptFiles(device.path());
    for (const auto& [name, bytes] : filesBefore) {
        auto found = filesAfter.find(name);
        ASSERT_NE(found, filesAfter.end()) << name << " is gone";
        EXPECT_TRUE(found->second == bytes) << name << " changed";
    }
    EXPECT_EQ(filesAfter.size(), filesBefore.size()) << "a preview left files in the device";
    EXPECT_EQ(liveBlockFrame(device.path()), blockBefore) << "the live home screen changed";
    EXPECT_EQ(springBoardPid(device.path()), pidBefore) << "the home screen was restarted";
}

TEST(PreviewDevice, AStoppedDeviceHasNoPreviewAndSaysWhy) {
    TestDevice device({"--version", "11.1.2", "--screen", "375x667"});
    Output booted = sim({"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    webtest::ServedProcess served(device.path());
    ASSERT_GT(served.port(), 0);
    ASSERT_EQ(sim({"shutdown", device.path()}).exitCode, 0);
    auto res = ask(served.port(), "POST", "/api/preview", "{}");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
    EXPECT_NE(res->body.find("is not booted"), std::string::npos) << res->body;
}

}  // namespace
