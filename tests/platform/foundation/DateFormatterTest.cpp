#include <gtest/gtest.h>

#include "foundation/DateFormatter.h"

namespace {

// 2026-12-07 (a Monday) 21:05:00 UTC and 09:05:00 UTC.
constexpr double kEvening = 1796677500;
constexpr double kMorning = kEvening - 12 * 3600;

class DateFormatterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ns::setDefaultLocale("en_US");
        ns::setDefaultTimeZone("UTC");
    }
    void TearDown() override { SetUp(); }
    static std::string format(const std::string& pattern, double when) {
        NSDateFormatter f;
        f.setDateFormat(pattern);
        return f.stringFromDate(when);
    }
};

}  // namespace

TEST_F(DateFormatterTest, HourPatterns) {
    EXPECT_EQ(format("HH:mm", kEvening), "21:05");
    EXPECT_EQ(format("h:mm", kEvening), "9:05");
    EXPECT_EQ(format("HH:mm", kMorning), "09:05");
    EXPECT_EQ(format("h:mm", kMorning), "9:05");
    EXPECT_EQ(format("h:mm a", kEvening), "9:05 PM");
}

TEST_F(DateFormatterTest, WeekdayAndDateInTheProcessLocale) {
    EXPECT_EQ(format("EEEE\nyyyy-MM-dd", kEvening), "Monday\n2026-12-07");
    ns::setDefaultLocale("de_DE");
    EXPECT_EQ(format("EEEE", kEvening), "Montag");
}

TEST_F(DateFormatterTest, KeptFormatterFollowsLocaleZoneAndPatternChanges) {
    NSDateFormatter f;
    f.setDateFormat("HH:mm EEEE");
    EXPECT_EQ(f.stringFromDate(kEvening), "21:05 Monday");
    ns::setDefaultTimeZone("Asia/Tokyo");
    EXPECT_EQ(f.stringFromDate(kEvening), "06:05 Tuesday");
    ns::setDefaultLocale("de_DE");
    EXPECT_EQ(f.stringFromDate(kEvening), "06:05 Dienstag");
    f.setDateFormat("yyyy");
    EXPECT_EQ(f.stringFromDate(kEvening), "2026");
    ns::setDefaultTimeZone("America/Los_Angeles");
    EXPECT_EQ(f.stringFromDate(kEvening), "2026");
    f.setDateFormat("HH:mm");
    EXPECT_EQ(f.stringFromDate(kEvening), "13:05");
}

TEST_F(DateFormatterTest, OddPatternsGiveDefinedText) {
    EXPECT_EQ(format("'at' h 'o''clock'", kEvening), "at 9 o'clock");
    EXPECT_EQ(format("'only text'", kEvening), "only text");
    EXPECT_EQ(format("h:mm 'abc", kEvening), "9:05 abc");
    EXPECT_EQ(format("h:mm J", kEvening), "9:05 ");
    EXPECT_EQ(format("", kEvening), "");
    EXPECT_EQ(format("HH:mm", std::numeric_limits<double>::quiet_NaN()), "");
}

TEST_F(DateFormatterTest, RoundsToTheMillisecond) {
    EXPECT_EQ(format("ss.SSS", kEvening + 1.0004), "01.000");
    EXPECT_EQ(format("ss.SSS", kEvening + 1.9996), "02.000");
}

TEST_F(DateFormatterTest, WorksThroughTheRuntime) {
    id f = rt::allocInit("NSDateFormatter");
    rt::send<void(id)>(f, "setDateFormat:", NSStr("HH:mm"));
    auto date = std::make_shared<NSDate>(kEvening);
    EXPECT_EQ(str(rt::send<id(id)>(f, "stringFromDate:", id(date))), "21:05");
}

// A template gives each locale's own order and words, as the platform's
// localized formats do (the figures of 8 December 2015 in CLDR).
TEST_F(DateFormatterTest, TemplatesTakeTheLocalesOrderAndWords) {
    constexpr double kTuesday = 1449604800;  // 2015-12-08 20:00 UTC
    const std::pair<const char*, const char*> dates[] = {
        {"en_US", "Tuesday, December 8"}, {"de_DE", "Dienstag, 8. Dezember"},
        {"fr_FR", "mardi 8 décembre"},    {"ja_JP", "12月8日火曜日"},
    };
    for (auto [locale, expected] : dates) {
        ns::setDefaultLocale(locale);
        NSDateFormatter f;
        f.setLocalizedDateFormatFromTemplate("EEEEMMMMd");
        EXPECT_EQ(f.stringFromDate(kTuesday), expected) << locale << " with " << f.dateFormat();
    }
    // "J": the locale's hour, never a day period, never a padded twelve-hour clock.
    EXPECT_EQ(ns::dateFormatFromTemplate("Jmm", "en_US"), "h:mm");
    EXPECT_EQ(ns::dateFormatFromTemplate("Jmm", "ko_KR"), "h:mm");
    EXPECT_EQ(ns::dateFormatFromTemplate("Jmm", "de_DE"), "HH:mm");
    EXPECT_EQ(ns::dateFormatFromTemplate("Jmm", "ja_JP"), "H:mm");
    EXPECT_EQ(ns::dateFormatFromTemplate("jmm", "en_US"), "h:mm\u202Fa");
    EXPECT_EQ(ns::dateFormatFromTemplate("", "en_US"), "");
    ns::setDefaultLocale("en_US");
    id f = rt::allocInit("NSDateFormatter");
    rt::send<void(id)>(f, "setLocalizedDateFormatFromTemplate:", NSStr("Jmm"));
    EXPECT_EQ(str(rt::send<id(id)>(f, "stringFromDate:", id(std::make_shared<NSDate>(kEvening)))), "9:05");
}
