// On the phone with a sensor housing, nothing shown lies under the housing or
// the status bar's ears, stock or with the panel at its default places; and
// the stock date reads as the date library's pattern for the template gives it.
#include <gtest/gtest.h>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/ustring.h>

#include <set>
#include <string>

#include "Command.h"
#include "DumpReader.h"

namespace {

constexpr const char* kAt = "2026-12-07T21:05:02";

// Views that put something on the screen: text, a picture, a colour, or a
// look of their own class's drawing.
bool showsSomething(const Json& v) {
    static const std::set<std::string> drawn = {
        "NCNotificationShortLookView", "MTPlatterView", "MediaControlsPanelView", "NCNotificationListSectionHeaderView",
        "SBUIProudLockIconView", "SBHomeGrabberView", "SBDashBoardQuickActionsButton", "SBDashBoardPageControl"};
    if (v.contains("text") && !v["text"].get<std::string>().empty() && v["text"] != " ") return true;
    if (v.value("image", false)) return true;
    if (v["backgroundColor"].is_array() && v["backgroundColor"][3].get<double>() > 0) return true;
    return drawn.count(v["class"].get<std::string>()) > 0;
}

bool overlaps(const Rect& a, const Rect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(SensorHousing, NothingShownLiesUnderItOrTheEarsStockOrWithThePanelsDefaultPlaces) {
    TestDevice device({"--version", "11.1.2", "--screen", "375x812"});
    // The housing (209 x 30, centred) and the 44-point status bar's ears beside it.
    const Rect housing{83, 0, 209, 30}, leftEar{0, 0, 83, 44}, rightEar{292, 0, 83, 44};
    struct Setup {
        const char* name;
        bool panel;
        int style;
    };
    for (Setup s : {Setup{"stock", false, 1}, Setup{"stacked panel", true, 1}, Setup{"row panel", true, 2}}) {
        SCOPED_TRACE(s.name);
        ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", s.panel ? "true" : "false", "--type", "bool"}).exitCode, 0);
        ASSERT_EQ(sim({"settings", device.path(), "set", "clockStyle", std::to_string(s.style), "--type", "int"}).exitCode, 0);
        markUpdateNoticeSeen(device.path());
        Json dump = dumpOf(device.path(), {"--at", kAt});
        ASSERT_TRUE(dump.is_object());
        auto shown = shownViews(dump, showsSomething);
        ASSERT_GT(shown.size(), 10u);
        EXPECT_EQ(viewsOfClass(dump, "OVClockDragView").empty(), !s.panel);
        for (const Found& v : shown)
            for (const Rect& area : {housing, leftEar, rightEar})
                EXPECT_FALSE(overlaps(v.inWindow, area))
                    << (*v.view)["class"] << " \"" << v.view->value("text", "") << "\" at (" << v.inWindow.x << ", "
                    << v.inWindow.y << ", " << v.inWindow.w << ", " << v.inWindow.h << ") lies under the housing's band";
    }
}

std::string utf8(const UChar* text, int32_t length) {
    char out[256];
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out, sizeof out, &written, text, length, &status);
    return U_FAILURE(status) ? "<not UTF-8>" : std::string(out, static_cast<std::size_t>(written));
}

// What the date library makes of the weekday-month-day template in a locale.
std::string libraryDate(const char* locale, double seconds) {
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open(locale, &status);
    UChar skeleton[16], pattern[64], text[128];
    u_uastrcpy(skeleton, "EEEEMMMMd");
    int32_t patternLength = udatpg_getBestPattern(generator, skeleton, -1, pattern, 64, &status);
    udatpg_close(generator);
    UDateFormat* format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale, u"UTC", -1, pattern, patternLength, &status);
    int32_t length = udat_format(format, seconds * 1000.0, text, 128, nullptr, &status);
    udat_close(format);
    return U_FAILURE(status) ? std::string("<") + u_errorName(status) + ">" : utf8(text, length);
}

TEST(StockDate, ReadsInEachLocaleAsTheDateLibraryGivesTheWeekdayMonthDayTemplate) {
    TestDevice device({"--version", "10.3.3"});
    ASSERT_EQ(sim({"settings", device.path(), "set", "enableOVS", "false", "--type", "bool"}).exitCode, 0);
    // Thursday 31 December 2026, a second before midnight and two after.
    constexpr double kNewYearsEve = 1798761600 - 1 + 2;
    for (const char* locale : {"en_US", "fr_FR", "de_DE", "ja_JP"}) {
        SCOPED_TRACE(locale);
        Json dump = dumpOf(device.path(), {"--at", "2026-12-31T23:59:58", "--tz", "UTC", "--locale", locale});
        auto views = viewsOfClass(dump, "SBFLockScreenDateView");
        ASSERT_EQ(views.size(), 1u);
        std::string shown = (*views[0].view)["subviews"][1]["text"];
        EXPECT_EQ(shown, libraryDate(locale, kNewYearsEve));
    }
}

}  // namespace
