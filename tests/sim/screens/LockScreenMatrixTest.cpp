// The stock lock screen around the panel on every screen class and system
// version, with the panel and without, locked and unlocked by a fingerprint's
// match (and a few with media playing): each drawn in a process of its own
// at one pixel a point, at a fixed time, against its reference picture.
//
// scripts/update-reference-screens makes the references anew when the look
// changes on purpose (this binary with ORVELLE_UPDATE_REFERENCES=1), and the
// contact sheet of them in docs/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Command.h"
#include "ScreenCompare.h"

namespace {

namespace fs = std::filesystem;


struct Case {
    std::string version, model;
    double width, height;
    bool panel = false, unlocked = false, media = false;

    std::string name() const {
        std::string n = version.substr(0, 2) + "-" + (model == "iPad" ? "ipad-" : "") + std::to_string(int(width)) + "x" +
                        std::to_string(int(height)) + (panel ? "-panel" : "-stock") + (unlocked ? "-unlocked" : "-locked");
        return media ? n + "-media" : n;
    }
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name(); }

std::vector<Case> cases() {
    std::vector<Case> all;
    struct Screen {
        const char* model;
        double w, h;
    };
    for (const char* version : {"10.3.3", "11.1.2"})
        for (Screen s : {Screen{"iPhone", 320, 568}, Screen{"iPhone", 375, 667}, Screen{"iPhone", 414, 736},
                         Screen{"iPhone", 375, 812}, Screen{"iPad", 768, 1024}, Screen{"iPad", 1024, 1366}}) {
            if (s.h == 812 && version[1] == '0') continue;  // the phone came with 11
            // The tweak does not run on a tablet: its screens are the stock ones.
            for (bool panel : {false, true}) {
                if (panel && std::string(s.model) == "iPad") continue;
                for (bool unlocked : {false, true}) all.push_back({version, s.model, s.w, s.h, panel, unlocked});
            }
        }
    all.push_back({"10.3.3", "iPhone", 375, 667, false, false, true});
    all.push_back({"11.1.2", "iPhone", 375, 667, false, false, true});
    all.push_back({"11.1.2", "iPhone", 375, 812, false, true, true});
    return all;
}

// Drawn in a fresh device of the case's model, version and screen.
Output drawCase(const Case& c) {
    std::vector<std::string> args{"exec",     "--fresh", "--model", c.model, "--version", c.version, "--screen",
                                  std::to_string(int(c.width)) + "x" + std::to_string(int(c.height)), "--",
                                  SCENE_DRAWER};
    if (c.panel) args.push_back("--panel");
    if (c.unlocked) args.push_back("--unlocked");
    if (c.media) args.push_back("--media");
    return sim(args);
}

class LockScreenMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(LockScreenMatrix, MatchesItsReference) {
    const Case& c = GetParam();
    fs::create_directories(OUTPUT_FOLDER);
    fs::path shot = fs::path(OUTPUT_FOLDER) / (c.name() + ".png");
    Output drawn = drawCase(c);
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
    ASSERT_GT(drawn.out.size(), 8u) << "no picture came out for " << c.name();
    std::ofstream(shot, std::ios::binary) << drawn.out;
    fs::path reference = fs::path(MATRIX_FOLDER) / (c.name() + ".png");
    if (updateReference(shot, reference)) GTEST_SKIP() << "wrote the reference " << reference;
    expectLikeReference(shot, reference, fs::path(OUTPUT_FOLDER) / (c.name() + "-diff.png"));
}

INSTANTIATE_TEST_SUITE_P(Screens, LockScreenMatrix, ::testing::ValuesIn(cases()), [](const auto& info) {
    std::string name = info.param.name();
    for (char& ch : name)
        if (ch == '-') ch = '_';
    return name;
});

}  // namespace
