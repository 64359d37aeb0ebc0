#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <limits>

#include "foundation/Conversions.h"

using namespace ns;

TEST(StringBoolValue, YesOnlyForLetterOrNonZeroDigitAfterOneSignAndZeros) {
    for (const char* yes : {"t", "Y", "yes", "YES", " 1 ", "1a", "ya", "y+", "+000009", "-01", "2", "\t\nTrue"})
        EXPECT_TRUE(stringBoolValue(yes)) << '"' << yes << '"';
    for (const char* no : {"", "0", "-00000", "+", "++1", "+t", "+y", "0t", "+0y", "0+y", "a1", "<true>", "false",
                           "no", "NO", " "})
        EXPECT_FALSE(stringBoolValue(no)) << '"' << no << '"';
}

TEST(StringIntValue, ParsesLeadingDecimalAndClamps) {
    EXPECT_EQ(stringIntValue("2"), 2);
    EXPECT_EQ(stringIntValue("2.7"), 2);
    EXPECT_EQ(stringIntValue(" +0012"), 12);
    EXPECT_EQ(stringIntValue("- 5"), -5);
    EXPECT_EQ(stringIntValue("123a"), 123);
    EXPECT_EQ(stringIntValue("010"), 10);
    for (const char* zero : {"a123", "++123", "--123", "0x1A", "", "-"}) EXPECT_EQ(stringIntValue(zero), 0) << zero;
    EXPECT_EQ(stringIntValue("2147483647"), INT_MAX);
    EXPECT_EQ(stringIntValue("-2147483648"), INT_MIN);
    EXPECT_EQ(stringIntValue("2147483648"), INT_MAX);
    EXPECT_EQ(stringIntValue("999999999999999999999"), INT_MAX);
    EXPECT_EQ(stringIntValue("-999999999999999999999"), INT_MIN);
}

TEST(StringIntValue, SkipsTheDevicesWhitespaceIncludingUnicodeSpaces) {
    EXPECT_EQ(stringIntValue("\x01\x7f" "7"), 7);
    EXPECT_EQ(stringIntValue("\xC2\xA0" "8"), 8);        // no-break space
    EXPECT_EQ(stringIntValue("\xE2\x80\x8B" "9"), 9);    // zero-width space
    EXPECT_EQ(stringIntValue("\xE3\x80\x80" "10"), 10);  // ideographic space
    EXPECT_EQ(stringIntValue("\xE2\x80\x8C" "11"), 0);   // zero-width non-joiner is not blank
}

TEST(StringDoubleValue, TakesOnlyTheDecimalRun) {
    EXPECT_DOUBLE_EQ(stringDoubleValue(".2"), 0.2);
    EXPECT_DOUBLE_EQ(stringDoubleValue("2e3.12"), 2000);
    EXPECT_DOUBLE_EQ(stringDoubleValue("12.e4"), 120000);
    EXPECT_DOUBLE_EQ(stringDoubleValue("1.2.3.4"), 1.2);
    EXPECT_DOUBLE_EQ(stringDoubleValue("1,5"), 1);
    EXPECT_DOUBLE_EQ(stringDoubleValue("  -3.5x"), -3.5);
    for (const char* zero : {"nan", "inf", "infinity", "0x1p3", ".e12", "", "abc", "1e-400"})
        EXPECT_EQ(stringDoubleValue(zero), 0.0) << zero;
    EXPECT_EQ(stringDoubleValue("1e400"), HUGE_VAL);
}

TEST(StringFloatValue, IsSinglePrecision) {
    EXPECT_EQ(stringFloatValue("123.456789"), 123.456789f);
    EXPECT_NE(static_cast<double>(stringFloatValue("123.456789")), 123.456789);
    EXPECT_NEAR(stringFloatValue("123.456789"), 123.45679, 5e-6);
}

TEST(ObjectConversions, NumbersTruncateTowardZeroAndSaturate) {
    EXPECT_EQ(intValue(NSNum(2.7)), 2);
    EXPECT_EQ(intValue(NSNum(-2.7)), -2);
    EXPECT_EQ(intValue(NSNum(0.999)), 0);
    EXPECT_EQ(intValue(NSNum(-2)), -2);
    EXPECT_EQ(intValue(NSNum(1e20)), INT_MAX);
    EXPECT_EQ(intValue(NSNum(-1e20)), INT_MIN);
    EXPECT_EQ(intValue(NSNum(std::numeric_limits<double>::quiet_NaN())), 0);
    EXPECT_EQ(intValue(NSNum(std::int64_t{5000000000})), 705032704);  // its low 32 bits
    EXPECT_EQ(intValue(NSNum(true)), 1);
    EXPECT_EQ(intValue(NSNum(false)), 0);
    EXPECT_FLOAT_EQ(floatValue(NSNum(std::int64_t{-3})), -3.0f);
    EXPECT_DOUBLE_EQ(doubleValue(NSNum(true)), 1.0);
}

TEST(ObjectConversions, IntegersBeyond32BitsKeepTheirLowBitsWhileRealsSaturate) {
    EXPECT_EQ(intValue(NSNum(std::int64_t{4294967298})), 2);
    EXPECT_EQ(intValue(NSNum(std::int64_t{-5000000000})), -705032704);
    EXPECT_EQ(intValue(NSNum(std::int64_t{2147483648})), INT_MIN);
    EXPECT_EQ(intValue(NSNum(std::int64_t{-2147483649})), INT_MAX);
    EXPECT_EQ(intValue(NSNum(std::numeric_limits<std::int64_t>::min())), 0);
    EXPECT_EQ(intValue(NSNum(4294967298.0)), INT_MAX);
    EXPECT_EQ(intValue(NSNum(-4294967298.0)), INT_MIN);
    EXPECT_EQ(intValue(NSStr("4294967298")), INT_MAX);  // text is read as before
}

TEST(ObjectConversions, BoolOfNumbersIsNonZeroAndStringsFollowTheirRule) {
    EXPECT_TRUE(boolValue(NSNum(0.5)));
    EXPECT_FALSE(boolValue(NSNum(-0.0)));
    EXPECT_TRUE(boolValue(NSNum(-2)));
    EXPECT_FALSE(boolValue(NSNum(0)));
    EXPECT_TRUE(boolValue(NSNum(true)));
    EXPECT_TRUE(boolValue(NSStr("YES")));
    EXPECT_FALSE(boolValue(NSStr("no")));
    EXPECT_EQ(intValue(NSStr("2")), 2);
    EXPECT_FLOAT_EQ(floatValue(NSStr("12.5")), 12.5f);
}

TEST(ObjectConversions, NothingAndOtherObjectsAreZero) {
    id dict = NSDictionaryNew();
    for (const id& o : {id{}, dict}) {
        EXPECT_FALSE(boolValue(o));
        EXPECT_EQ(intValue(o), 0);
        EXPECT_EQ(floatValue(o), 0.0f);
        EXPECT_EQ(doubleValue(o), 0.0);
    }
}

TEST(FormatF, SixDecimalsWithAPoint) {
    EXPECT_EQ(formatF(123.456789), "123.456789");
    EXPECT_EQ(formatF(-0.5), "-0.500000");
    EXPECT_EQ(formatF(12.5), "12.500000");
}

// A process whose C locale writes a decimal comma still stores and reads points.
TEST(LocaleIndependence, DecimalCommaLocaleDoesNotLeakIn) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    std::string written = formatF(12.5);
    double read = stringDoubleValue("12.5");
    float readFloat = floatValue(NSStr("12.5"));
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_STREQ(probe, "1,5") << "the locale should write a decimal comma";
    EXPECT_EQ(written, "12.500000");
    EXPECT_EQ(read, 12.5);
    EXPECT_EQ(readFloat, 12.5f);
}

TEST(ParseFiniteNumber, TakesWholeFiniteNumbersWithADecimalPointInEveryLocale) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // a decimal comma, where the machine has the locale
    EXPECT_EQ(ns::parseFiniteNumber("12.5"), 12.5);
    EXPECT_EQ(ns::parseFiniteNumber("-0.25"), -0.25);
    EXPECT_EQ(ns::parseFiniteNumber("1e3"), 1000);
    for (const char* bad : {"", "12,5", "12.5x", " 12", "nan", "inf", "1e400", "0x10", "--1"})
        EXPECT_FALSE(ns::parseFiniteNumber(bad)) << bad;
    std::setlocale(LC_ALL, previous.c_str());
}
