// The layout check on view trees and pixels made here, one fault at a time,
// so each kind is known to be found, named and placed.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "matrix/BoundedJson.h"
#include "matrix/LayoutCheck.h"

namespace {

using json = nlohmann::ordered_json;
using matrix::Finding;

constexpr const char* kTweak = "OrvelleiOS10.dylib";
constexpr const char* kHost = "SpringBoard";
constexpr const char* kKit = "libuikit.so.1";

json view(const std::string& cls, const std::string& library, std::vector<double> frame, json subviews = json::array()) {
    return {{"class", cls},     {"library", library}, {"frame", frame}, {"alpha", 1},
            {"hidden", false}, {"backgroundColor", nullptr}, {"subviews", std::move(subviews)}};
}

json label(std::vector<double> frame, const std::string& text, std::vector<double> colour = {1, 1, 1, 1}, int lines = 1,
           int shown = 1, double textWidth = 60, double textHeight = 18, int numberOfLines = 1) {
    json l = view("UILabel", kKit, frame);
    l["text"] = text;
    l["textColor"] = colour;
    l["textAlignment"] = 0;
    l["numberOfLines"] = numberOfLines;
    l["attributedText"] = nullptr;
    l["textFit"] = {{"lines", lines}, {"shownLines", shown}, {"truncated", false}, {"width", textWidth}, {"height", textHeight}};
    return l;
}

// A lock screen of `width` x `height` with the given views in its window.
json dumpWith(json views, double width = 375, double height = 667) {
    return {{"model", "iPhone"},
            {"screen", {{"width", width}, {"height", height}, {"scale", 1}}},
            {"statusBar", {{"frame", {0, 0, width, height == 812 ? 44 : 20}}}},
            {"views", view("UIWindow", kKit, {0, 0, width, height}, std::move(views))}};
}

// A screen of one colour, one byte a component, one pixel a point.
struct Screen {
    std::size_t width, height;
    std::vector<std::uint8_t> rgba;
    Screen(std::size_t w, std::size_t h, std::uint8_t grey) : width(w), height(h), rgba(w * h * 4, grey) {
        for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    }
    matrix::Pixels pixels() const { return {width, height, rgba.data()}; }
};

std::vector<Finding> check(const json& dump, const Screen& screen) {
    auto scene = matrix::sceneOf(dump);
    EXPECT_TRUE(scene) << scene.reason();
    if (!scene) return {};
    return matrix::checkLayout(*scene, screen.pixels());
}

std::string listed(const std::vector<Finding>& findings) {
    std::string all;
    for (const Finding& f : findings) all += "\n  " + f.kind + ": " + f.message;
    return all.empty() ? " none" : all;
}

const Screen dark(375, 812, 20);

TEST(LayoutCheck, FindsNothingInATidyLockScreen) {
    // A stock label across the screen is as large as its centred text, clear of the buttons beside it.
    json callToAction = label({0, 740, 375, 30}, "Swipe up to open", {1, 1, 1, 1}, 1, 1, 100, 20);
    callToAction["class"] = "SBUICallToActionLabel";
    callToAction["library"] = kHost;
    callToAction["textAlignment"] = 1;
    json dump = dumpWith({callToAction, view("SBDashBoardQuickActionsButton", kHost, {46, 737, 50, 50}),view("OVClockDragView", kTweak, {20, 80, 335, 120}, {label({0, 0, 200, 60}, "21:05", {1, 1, 1, 1})}),
                          view("NCNotificationShortLookView", kHost, {8, 300, 359, 90}),
                          // Another page of the lock screen, off to the left, and a hidden view.
                          view("SBDashBoardTodayPageView", kHost, {-375, 0, 375, 667}, {label({20, 100, 300, 20}, "Today")}),
                          [] { json v = label({20, 500, 100, 20}, ""); v["hidden"] = true; return v; }(),
                          // The padlock between two labels of one block.
                          view("SBUIProudLockIconView", kHost, {176, 210, 22, 22}),
                          view("OVClockDragView", kTweak, {0, 200, 375, 40},
                               {label({10, 0, 100, 40}, "21:05", {1, 1, 1, 1}, 1, 1, 100, 40),
                                label({265, 0, 100, 40}, "Monday", {1, 1, 1, 1}, 1, 1, 100, 40)})},
                         375, 812);
    auto findings = check(dump, dark);
    EXPECT_TRUE(findings.empty()) << listed(findings);
}

TEST(LayoutCheck, FindsATweakBlockOverTheNotificationList) {
    json dump = dumpWith({view("NCNotificationShortLookView", kHost, {8, 300, 359, 90}),
                          view("OVClockDragView", kTweak, {20, 280, 335, 100}, {label({0, 0, 200, 60}, "21:05")})});
    auto findings = check(dump, dark);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    const Finding& f = findings[0];
    EXPECT_EQ(f.kind, matrix::kOverlap);
    ASSERT_EQ(f.views.size(), 2u);
    EXPECT_EQ(f.views[0], (matrix::ViewName{"NCNotificationShortLookView", kHost}));
    EXPECT_EQ(f.views[1], (matrix::ViewName{"OVClockDragView", kTweak}));
    // The block is as large as what it draws: its label, not its whole frame.
    EXPECT_DOUBLE_EQ(f.rect.x, 20);
    EXPECT_DOUBLE_EQ(f.rect.y, 301);
    EXPECT_DOUBLE_EQ(f.rect.w, 60);
    EXPECT_DOUBLE_EQ(f.rect.h, 18);
}

TEST(LayoutCheck, FindsAViewThatSpillsOutOfAStockBlock) {
    // A greeting kept in the stock date view, laid out under its bottom edge.
    json dump = dumpWith({view("SBFLockScreenDateView", kHost, {0, 60, 375, 120}, {label({0, 130, 375, 24}, "Hello", {1, 1, 1, 1}, 1, 1, 120)}),
                          view("NCNotificationShortLookView", kHost, {8, 185, 359, 90})});
    auto findings = check(dump, dark);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    EXPECT_EQ(findings[0].kind, matrix::kOverlap);
    EXPECT_NE(findings[0].message.find("UILabel (libuikit.so.1) in SBFLockScreenDateView (SpringBoard)"), std::string::npos)
        << findings[0].message;
}

TEST(LayoutCheck, FindsABlockUnderTheSensorHousing) {
    json dump = dumpWith({view("OVClockDragView", kTweak, {100, 10, 175, 60}, {label({0, 0, 175, 40}, "21:05", {1, 1, 1, 1}, 1, 1, 175, 40)})},
                         375, 812);
    auto findings = check(dump, dark);
    ASSERT_FALSE(findings.empty());
    bool housing = false;
    for (const Finding& f : findings) housing |= f.kind == matrix::kOverlap && f.views[0].className == "sensor housing";
    EXPECT_TRUE(housing) << listed(findings);
}

TEST(LayoutCheck, FindsTextCutTruncatedOrWrappingPastItsLines) {
    json cut = label({20, 100, 300, 36}, "Monday 7 December 2026", {1, 1, 1, 1}, 3, 2, 290, 36, 0);
    json wraps = label({20, 200, 300, 18}, "A subtitle too long for one line", {1, 1, 1, 1}, 2, 1, 290, 18, 1);
    json truncated = label({20, 300, 300, 18}, "A text with an ellipsis", {1, 1, 1, 1}, 2, 1, 290, 18, 1);
    truncated["textFit"]["truncated"] = true;
    // One line taller than its frame is drawn whole, over the frame's edges.
    json tall = label({20, 400, 300, 10}, "Short", {1, 1, 1, 1}, 1, 1, 40, 18);
    auto findings = check(dumpWith({cut, wraps, truncated, tall}), dark);
    ASSERT_EQ(findings.size(), 3u) << listed(findings);
    for (const Finding& f : findings) EXPECT_EQ(f.kind, matrix::kClippedText) << f.message;
    EXPECT_NE(findings[0].message.find("takes 3 lines, its frame holds 2"), std::string::npos) << findings[0].message;
    EXPECT_NE(findings[1].message.find("wraps past its 1 line"), std::string::npos) << findings[1].message;
    EXPECT_NE(findings[2].message.find("truncated"), std::string::npos) << findings[2].message;
    EXPECT_DOUBLE_EQ(findings[1].rect.y, 200);
}

TEST(LayoutCheck, FindsABlockWhoseCentreIsOffTheScreen) {
    auto findings = check(dumpWith({view("OVClockDragView", kTweak, {-200, 300, 300, 60}, {label({0, 0, 150, 40}, "21:05", {1, 1, 1, 1}, 1, 1, 150, 40)})}),
                          dark);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    EXPECT_EQ(findings[0].kind, matrix::kOffScreen);
    EXPECT_NE(findings[0].message.find("(-125, 320)"), std::string::npos) << findings[0].message;
}

TEST(LayoutCheck, FindsTextThatDoesNotStandOutFromWhatIsUnderIt) {
    json black = label({20, 100, 300, 20}, "21:05", {0, 0, 0, 1});
    json faint = label({20, 200, 300, 20}, "Cloudy", {1, 1, 1, 0.15});
    json white = label({20, 300, 300, 20}, "Paris", {1, 1, 1, 1});
    auto findings = check(dumpWith({black, faint, white}), dark);
    ASSERT_EQ(findings.size(), 2u) << listed(findings);
    EXPECT_EQ(findings[0].kind, matrix::kLowContrast);
    EXPECT_NE(findings[0].message.find("\"21:05\""), std::string::npos) << findings[0].message;
    EXPECT_EQ(findings[1].kind, matrix::kLowContrast);
    EXPECT_NE(findings[1].message.find("\"Cloudy\""), std::string::npos) << findings[1].message;
    // The same black text on a light screen is found readable.
    Screen light(375, 812, 235);
    findings = check(dumpWith({black}), light);
    EXPECT_TRUE(findings.empty()) << listed(findings);
    // A clear range (the colon's off phase) is not text anyone reads.
    json colon = label({20, 100, 300, 20}, "21:05");
    colon["attributedText"] = json::array({{{"text", "21"}, {"color", nullptr}}, {{"text", ":"}, {"color", {1, 1, 1, 0}}}});
    findings = check(dumpWith({colon}), dark);
    EXPECT_TRUE(findings.empty()) << listed(findings);
}

TEST(LayoutCheck, FindsAShownLabelWithNoText) {
    // An empty box; a clear label with no text (a subtitle not set) shows nothing.
    json box = label({0, 70, 200, 20}, "");
    box["backgroundColor"] = {0.2, 0.2, 0.2, 0.8};
    json clear = label({0, 100, 200, 20}, "");
    auto findings = check(dumpWith({view("OVClockDragView", kTweak, {20, 80, 335, 120},
                                         {label({0, 0, 200, 60}, "21:05"), box, clear}),
                                    // A veil over the whole screen is the backdrop, not a block.
                                    [] { json veil = view("UIView", kKit, {0, 0, 375, 667}); veil["backgroundColor"] = {0, 0, 0, 0.35}; return veil; }()}),
                          dark);
    ASSERT_EQ(findings.size(), 1u) << listed(findings);
    EXPECT_EQ(findings[0].kind, matrix::kEmptyLabel);
    EXPECT_EQ(findings[0].views[0].className, "UILabel");
    EXPECT_NE(findings[0].message.find("in OVClockDragView (OrvelleiOS10.dylib)"), std::string::npos) << findings[0].message;
    EXPECT_DOUBLE_EQ(findings[0].rect.y, 150);
}

TEST(LayoutCheck, RefusesADumpBeyondItsBounds) {
    json deep = view("UIView", kKit, {0, 0, 10, 10});
    for (int i = 0; i < matrix::kDeepestViews + 2; ++i) deep = view("UIView", kKit, {0, 0, 10, 10}, json::array({deep}));
    auto scene = matrix::sceneOf(dumpWith({deep}));
    ASSERT_FALSE(scene);
    EXPECT_NE(scene.reason().find("deeper"), std::string::npos) << scene.reason();

    EXPECT_FALSE(matrix::sceneOf(json::parse(R"({"screen": {"width": 1e9, "height": 5, "scale": 1}, "views": {}})")));
    EXPECT_FALSE(matrix::sceneOf(json::parse(R"({"views": {}})")));
    std::string nested(100000, '[');
    auto parsed = matrix::boundedJson(nested, 1 << 20, 64, "the dump");
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.reason(), "the dump nests deeper than 64");
    EXPECT_FALSE(matrix::boundedJson(std::string(2000, ' '), 1000, 64, "the dump"));
    // Numbers no label has are held within bounds, never converted past them.
    json huge = label({1e300, -1e300, 1e300, 1e300}, "far", {1, 1, 1, 1}, 1, 1, 1e300, 1e300);
    huge["textAlignment"] = 1e300;
    huge["numberOfLines"] = -1e300;
    huge["textFit"]["lines"] = 1e300;
    huge["textFit"]["shownLines"] = -1e300;
    auto findings = check(dumpWith({huge}), dark);
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(findings.back().kind, matrix::kOffScreen) << listed(findings);
    // Brackets inside texts are not nesting.
    EXPECT_TRUE(matrix::boundedJson("[\"" + std::string(500, '[') + "\\\"\"]", 1 << 20, 4, "the dump"));
}

}  // namespace
