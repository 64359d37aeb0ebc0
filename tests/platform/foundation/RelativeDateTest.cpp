#include <gtest/gtest.h>

#include <limits>

#include "foundation/DateFormatter.h"
#include "foundation/RelativeDate.h"

namespace {

// Monday 2026-12-07 21:05:00 UTC.
constexpr double kNow = 1796677500;

class RelativeDateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ns::setDefaultLocale("en_US");
        ns::setDefaultTimeZone("UTC");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(RelativeDateTest, NowMinutesHoursYesterdayThenTheDate) {
    EXPECT_EQ(ns::relativeDateText(kNow - 59, kNow), "now");
    EXPECT_EQ(ns::relativeDateText(kNow + 300, kNow), "now");
    EXPECT_EQ(ns::relativeDateText(kNow - 60, kNow), "1m ago");
    EXPECT_EQ(ns::relativeDateText(kNow - 3599, kNow), "59m ago");
    EXPECT_EQ(ns::relativeDateText(kNow - 2 * 3600 - 59, kNow), "2h ago");
    // 22:05 the day before is yesterday, though less than a day ago.
    EXPECT_EQ(ns::relativeDateText(kNow - 3600 * 23, kNow), "yesterday");
    EXPECT_EQ(ns::relativeDateText(kNow - 3 * 86400, kNow), "Dec 4");
    EXPECT_EQ(ns::relativeDateText(std::numeric_limits<double>::quiet_NaN(), kNow), "");
}

TEST_F(RelativeDateTest, DaysFollowTheProcesssZoneAndWordsItsLocale) {
    // 14:05 UTC is the same day there, but 23:05 the day before in Tokyo,
    // where it is 06:05 now.
    const double sevenHoursAgo = kNow - 7 * 3600;
    EXPECT_EQ(ns::relativeDateText(sevenHoursAgo, kNow), "7h ago");
    ns::setDefaultTimeZone("Asia/Tokyo");
    EXPECT_EQ(ns::relativeDateText(sevenHoursAgo, kNow), "yesterday");
    ns::setDefaultLocale("de_DE");
    EXPECT_EQ(ns::relativeDateText(kNow - 10, kNow), "jetzt");
    EXPECT_EQ(ns::relativeDateText(sevenHoursAgo, kNow), "gestern");
}

}  // namespace
