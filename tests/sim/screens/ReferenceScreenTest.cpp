// The lock screen as a person sees it, at a fixed time, locale and zone:
// each case's screenshot against its reference picture.
//
// When the look changes on purpose, scripts/update-reference-screens makes
// the references anew (this binary with ORVELLE_UPDATE_REFERENCES=1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Command.h"
#include "ScreenCompare.h"
#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;

struct Setting {
    std::string key, value, type;
};

struct Case {
    std::string name;
    std::vector<Setting> settings;
    std::string wallpaper;  // "dark" or "light"
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"stacked-white", {{"enableOVS", "true", "bool"}, {"clockStyle", "1", "int"}}, "dark"},
        {"row-white", {{"enableOVS", "true", "bool"}, {"clockStyle", "2", "int"}}, "dark"},
        {"stacked-black", {{"enableOVS", "true", "bool"}, {"clockStyle", "1", "int"}, {"useBlack", "true", "bool"}}, "light"},
        {"row-black", {{"enableOVS", "true", "bool"}, {"clockStyle", "2", "int"}, {"useBlack", "true", "bool"}}, "light"},
        {"stock", {{"enableOVS", "false", "bool"}}, "dark"},
    };
    return all;
}

// A device set up for the case, its update notice already seen.
void prepare(const TestDevice& device, const Case& c) {
    for (const Setting& s : c.settings) {
        Output set = sim({"settings", device.path(), "set", s.key, s.value, "--type", s.type});
        ASSERT_EQ(set.exitCode, 0) << set.err;
    }
    markUpdateNoticeSeen(device.path());
    fs::path preferences = fs::path(device.path()) / "var/mobile/Library/Preferences";
    id home = NSDictionaryNew();
    rt::cast<NSMutableDictionary>(home)->setObject(NSStr(c.wallpaper), "wallpaper");
    ASSERT_TRUE(ns::writeToFile(home, (preferences / "com.apple.springboard.plist").string()));
}

fs::path screenshot(const TestDevice& device, const std::string& name) {
    fs::create_directories(OUTPUT_FOLDER);
    fs::path file = fs::path(OUTPUT_FOLDER) / (name + ".png");
    Output shot = sim({"screenshot", device.path(), file.string(), "--at", "2026-12-07T21:05:02", "--tz", "UTC",
                       "--locale", "en_US"});
    EXPECT_EQ(shot.exitCode, 0) << shot.err;
    return file;
}

class ReferenceScreen : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceScreen, MatchesItsReference) {
    const Case& c = GetParam();
    TestDevice device;
    prepare(device, c);
    fs::path shot = screenshot(device, c.name);
    fs::path reference = fs::path(REFERENCE_FOLDER) / (c.name + ".png");
    if (updateReference(shot, reference)) GTEST_SKIP() << "wrote the reference " << reference;
    expectLikeReference(shot, reference, fs::path(OUTPUT_FOLDER) / (c.name + "-diff.png"));
}

INSTANTIATE_TEST_SUITE_P(LockScreen, ReferenceScreen, ::testing::ValuesIn(cases()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

// A fixed time, locale and zone give the same picture, pixel for pixel, every time.
TEST(ScreenshotAt, IsReproducible) {
    TestDevice device;
    prepare(device, cases().front());
    fs::path first = screenshot(device, "again-1");
    fs::path second = screenshot(device, "again-2");
    Comparison result = comparePNGs(first.string(), second.string(), 0);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.different, 0);
}

// The references themselves show what they are named for: the panel's look
// differs from the stock lock screen's and black text from white.
TEST(ReferencePictures, DifferWhereTheLookDiffers) {
    auto ref = [](const char* name) { return (fs::path(REFERENCE_FOLDER) / name).string(); };
    for (auto [a, b] : {std::pair{"stacked-white.png", "stock.png"}, std::pair{"stacked-white.png", "row-white.png"},
                        std::pair{"stacked-white.png", "stacked-black.png"}}) {
        Comparison result = comparePNGs(ref(a), ref(b), kScreenTolerance);
        ASSERT_TRUE(result.error.empty()) << result.error;
        EXPECT_GT(result.different * 1000000, result.pixels * kMostDifferentPerMillion) << a << " and " << b << " look alike";
    }
}

}  // namespace
