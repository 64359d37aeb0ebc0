// The stock lock screen against the reference's figures: for each screen
// class and system version, a one-shot dump of a device with the panel
// switched off, whose stock views' frames, fonts and texts are checked
// against every figure the reference marks documented or measured for that
// version, within a point. Figures it marks as estimates are checked where
// the dump shows them and counted apart. Each case prints its counts.
//
// Left out, with why: the platters' corner radius and the icon's rounding,
// the signal glyph and the status bar's padlock (drawn, not views: the lock
// states' tests look at them); the system font's tracking (Inter's own
// spacing stands in); the safe area's bottom and the display's corners (no
// view of the lock screen carries them); the sensor housing (the housing
// test); iPad landscape (devices are portrait); the suggested-app grabber and
// the lunar date line (not built); media (only a playing device shows it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "Command.h"
#include "DumpReader.h"
#include "renderer/FontMap.h"

namespace {

struct Reference {
    const char* model;
    double width, height;
    double timeSize, dateSize, timeBaseline, dateBaseline;
    double statusBar, callToAction;  // the call to action's baseline above the bottom
};

// The reference's table, measured on 11 (and assumed for 10).
constexpr Reference kReferences[] = {
    {"iPhone", 320, 568, 70, 21, 140, 176, 20, 36},  {"iPhone", 375, 667, 76, 22, 140, 176, 20, 36},
    {"iPhone", 414, 736, 90, 22, 154, 190, 20, 36},  {"iPhone", 375, 812, 76, 22, 176, 212, 44, 36},
    {"iPad", 768, 1024, 106, 22, 166, 206, 20, 46},  {"iPad", 1024, 1366, 116, 22, 196, 242, 20, 46},
};

struct Case {
    Reference ref;
    const char* version;
    bool eleven() const { return version[1] == '1'; }
    bool phoneWithButton() const { return std::string(ref.model) == "iPhone" && ref.height != 812; }
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.version << " " << c.ref.model << " " << c.ref.width << "x" << c.ref.height;
}

std::vector<Case> cases() {
    std::vector<Case> all;
    for (const char* version : {"10.3.3", "11.1.2"})
        for (const Reference& r : kReferences)
            if (r.height != 812 || version[1] == '1') all.push_back({r, version});
    return all;
}

enum class Kind { Documented, Measured, Estimate };

// Counts the figures it checks, by the reference's confidence.
class Figures {
public:
    void near(Kind kind, const std::string& what, double actual, double expected) {
        ++count_[static_cast<int>(kind)];
        EXPECT_NEAR(actual, expected, 1.0) << what;
    }
    void same(Kind kind, const std::string& what, const std::string& actual, const std::string& expected) {
        ++count_[static_cast<int>(kind)];
        EXPECT_EQ(actual, expected) << what;
    }
    void holds(Kind kind, const std::string& what, bool condition) {
        ++count_[static_cast<int>(kind)];
        EXPECT_TRUE(condition) << what;
    }
    ~Figures() {
        std::printf("figures checked: %d documented, %d measured, %d estimates\n", count_[0], count_[1], count_[2]);
    }

private:
    int count_[3] = {0, 0, 0};
};

const Json& only(const std::vector<Found>& found, const char* what) {
    static const Json none;
    EXPECT_EQ(found.size(), 1u) << what;
    return found.size() == 1 ? *found[0].view : none;
}

std::string fontName(const Json& label) { return label["font"].is_object() ? label["font"]["name"].get<std::string>() : ""; }
double fontSize(const Json& label) { return label["font"].is_object() ? label["font"]["size"].get<double>() : 0; }

// Where a label's single line has its baseline, in window points.
double baselineOf(const Found& label) {
    return label.inWindow.y + render::labelBaseline(fontName(*label.view), fontSize(*label.view), label.inWindow.h);
}

class Fidelity : public ::testing::TestWithParam<Case> {};

TEST_P(Fidelity, TheStockLockScreenHasTheReferencesFigures) {
    const Case& c = GetParam();
    const Reference& r = c.ref;
    TestDevice device({"--model", r.model, "--version", c.version, "--screen",
                       std::to_string(int(r.width)) + "x" + std::to_string(int(r.height))});
    ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "false", "--type", "bool"}).exitCode, 0);
    Json dump = dumpOf(device.path(), {"--at", "2026-12-07T21:05:02", "--locale", "en_US", "--tz", "UTC"});
    ASSERT_TRUE(dump.is_object());
    Figures f;
    // On 11 the clock's figures are measured; 10's are assumed to be 11's.
    const Kind clock = c.eleven() ? Kind::Measured : Kind::Estimate;

    f.near(Kind::Documented, "status bar height", rectOf(dump["statusBar"]["frame"]).h, r.statusBar);

    auto dateViews = shownViews(dump, [](const Json& v) { return v["class"] == "SBFLockScreenDateView"; });
    ASSERT_EQ(dateViews.size(), 1u);
    auto labels = shownViews(dump, [](const Json& v) { return v.contains("text"); });
    auto inDateView = [&](std::size_t index) {
        const Json& label = (*dateViews[0].view)["subviews"][index];
        Rect frame = rectOf(label["frame"]);
        return Found{&label, {dateViews[0].inWindow.x + frame.x, dateViews[0].inWindow.y + frame.y, frame.w, frame.h}};
    };
    Found time = inDateView(0), date = inDateView(1);
    f.near(clock, "time size", fontSize(*time.view), r.timeSize);
    f.near(clock, "date size", fontSize(*date.view), r.dateSize);
    f.near(clock, "time baseline", baselineOf(time), r.timeBaseline);
    f.near(clock, "date baseline", baselineOf(date), r.dateBaseline);
    f.same(clock, "time weight", fontName(*time.view), ".SFUIDisplay-Thin");
    f.same(clock, "date weight", fontName(*date.view), ".SFUIDisplay");
    f.same(Kind::Measured, "time without a day period", (*time.view)["text"], "9:05");
    f.same(Kind::Estimate, "date from its template", (*date.view)["text"], "Monday, December 7");
    f.holds(clock, "centred", (*time.view)["textAlignment"] == 1 && time.inWindow.x == 0 && time.inWindow.w == r.width);

    // The system font's optical sizes: the text cut below 20 points, the display cut from 20.
    for (const Found& label : labels) {
        std::string name = fontName(*label.view);
        if (name.rfind(".SFUI", 0) != 0) continue;
        bool display = name.rfind(".SFUIDisplay", 0) == 0;
        f.holds(Kind::Documented, name + " at " + std::to_string(fontSize(*label.view)), display == (fontSize(*label.view) >= 20));
    }

    // The call to action: the words of the locked state, 17-point semibold at its baseline.
    const Json& action = only(shownViews(dump, [](const Json& v) { return v["class"] == "SBUICallToActionLabel"; }), "call to action");
    ASSERT_TRUE(action.is_object());
    auto words = shownViews(dump, [&](const Json& v) { return v.contains("text") && &v == &action["subviews"][0]; });
    ASSERT_EQ(words.size(), 1u);
    f.same(Kind::Measured, "call to action", (*words[0].view)["text"],
           r.height == 812 ? "Swipe up to unlock" : "Press home to unlock");
    f.same(clock, "call to action's font", fontName(*words[0].view) + " " + std::to_string(int(fontSize(*words[0].view))),
           ".SFUIText-Semibold 17");
    f.near(clock, "call to action's baseline", baselineOf(words[0]), r.height - r.callToAction);

    // Platters: 8 from the sides and 8 apart, a 36-point header with a 20-point icon.
    auto platters = shownViews(dump, [](const Json& v) { return v["class"] == "NCNotificationShortLookView"; });
    ASSERT_GE(platters.size(), 2u);
    const Kind tenMeasured = c.eleven() ? Kind::Estimate : Kind::Measured;
    if (std::string(r.model) == "iPhone") {
        f.near(tenMeasured, "platter's side margin", platters[0].inWindow.x, 8);
        f.near(tenMeasured, "platter's width", platters[0].inWindow.w, r.width - 16);
    }
    for (std::size_t i = 1; i < platters.size(); ++i)
        if (platters[i].inWindow.y - platters[i - 1].inWindow.maxY() < 20)  // no heading between
            f.near(tenMeasured, "gap between platters", platters[i].inWindow.y - platters[i - 1].inWindow.maxY(), 8);
    const Json& header = (*platters[0].view)["subviews"][0];
    f.near(Kind::Measured, "platter's header", rectOf(header["frame"]).h, 36);
    Rect icon = rectOf(header["subviews"][0]["frame"]);
    f.near(Kind::Measured, "header icon's width", icon.w, 20);
    f.near(Kind::Measured, "header icon's height", icon.h, 20);
    f.same(Kind::Estimate, "header time", header["subviews"][2]["text"], "1m ago");
    if (!c.eleven() && r.width == 375 && r.height == 667)
        f.near(Kind::Measured, "first platter's top", platters[0].inWindow.y, 204.5);
    // 10 lists in one run; 11 puts the older ones under a heading.
    f.holds(Kind::Measured, "the version's grouping",
            shownViews(dump, [](const Json& v) { return v["class"] == "NCNotificationListSectionHeaderView"; }).empty() ==
                !c.eleven());

    if (c.phoneWithButton() || std::string(r.model) == "iPad") {
        const Json& dots = only(shownViews(dump, [](const Json& v) { return v["class"] == "SBDashBoardPageControl"; }), "dots");
        Rect d = rectOf(dots["frame"]);
        const Kind dotsKind = !c.eleven() && r.width == 375 ? Kind::Measured : Kind::Estimate;
        f.near(dotsKind, "page dots' width", d.w, 46);
        f.near(dotsKind, "page dots' height", d.h, 9);
        f.near(dotsKind, "page dots' bottom", r.height - d.maxY(), 6);
    } else {
        auto buttons = shownViews(dump, [](const Json& v) { return v["class"] == "SBDashBoardQuickActionsButton"; });
        ASSERT_EQ(buttons.size(), 2u);
        for (const Found& b : buttons) {
            f.near(Kind::Measured, "quick action's diameter", b.inWindow.w, 50);
            f.near(Kind::Measured, "quick action's centre above the bottom", r.height - (b.inWindow.y + 25), 75);
        }
        f.near(Kind::Measured, "flashlight's centre from the left", buttons[0].inWindow.x + 25, 71);
        f.near(Kind::Measured, "camera's centre from the right", r.width - (buttons[1].inWindow.x + 25), 71);
        const Json& home = only(shownViews(dump, [](const Json& v) { return v["class"] == "SBHomeGrabberView"; }), "indicator");
        Rect h = rectOf(home["frame"]);
        f.near(Kind::Measured, "home indicator's width", h.w, 134);
        f.near(Kind::Measured, "home indicator's height", h.h, 5);
        f.near(Kind::Measured, "home indicator above the bottom", r.height - h.maxY(), 8);
        f.near(Kind::Measured, "home indicator centred", h.x + h.w / 2, r.width / 2);
        auto lock = shownViews(dump, [](const Json& v) { return v["class"] == "SBUIProudLockIconView"; });
        ASSERT_EQ(lock.size(), 1u);
        f.holds(Kind::Measured, "padlock under the housing, above the clock",
                lock[0].inWindow.y >= r.statusBar && lock[0].inWindow.maxY() <= time.inWindow.y + 10 &&
                    std::fabs(lock[0].inWindow.x + lock[0].inWindow.w / 2 - r.width / 2) < 1);
    }
}

INSTANTIATE_TEST_SUITE_P(ScreenClasses, Fidelity, ::testing::ValuesIn(cases()), [](const auto& info) {
    const Case& c = info.param;
    return std::string(c.eleven() ? "v11_" : "v10_") + c.ref.model + "_" + std::to_string(int(c.ref.width)) + "x" +
           std::to_string(int(c.ref.height));
});

}  // namespace
