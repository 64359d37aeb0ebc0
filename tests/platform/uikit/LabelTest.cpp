// Labels: plain text, attributed text and the text colour, as the device mixes them.
#include <gtest/gtest.h>

#include "uikit/UIKit.h"

namespace {

using namespace ui;

id timeText(std::string_view text) {
    id s = mutableAttributedString(text);
    NSRange colon = rangeOfString(text, ":");
    addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), colorWithWhite_alpha(1, 0), colon);
    return s;
}

TEST(Label, DefaultsAreTheDevicesOnes) {
    id l = makeLabel();
    EXPECT_EQ(textAlignment(l), NSTextAlignmentNatural);
    EXPECT_EQ(numberOfLines(l), 1);
    EXPECT_EQ(lineBreakMode(l), NSLineBreakByTruncatingTail);
    EXPECT_TRUE(colorsEqual(textColor(l), blackColor()));
    EXPECT_EQ(pointSize(font(l)), 17);
    EXPECT_FALSE(rt::send<id()>(l, "text"));
    EXPECT_TRUE(effectiveRuns(l).empty());
}

TEST(Label, AttributedTextCarriesItsColourRuns) {
    id l = makeLabel();
    setAttributedText(l, timeText("21:05"));
    EXPECT_EQ(str(text(l)), "21:05");
    auto runs = effectiveRuns(l);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "21");
    EXPECT_FALSE(runs[0].color);
    EXPECT_EQ(runs[1].text, ":");
    EXPECT_TRUE(colorsEqual(runs[1].color, colorWithWhite_alpha(1, 0)));
    EXPECT_EQ(runs[2].text, "05");
    EXPECT_TRUE(hasAttributedText(l));
}

TEST(Label, SettingTextDropsTheAttributes) {
    id l = makeLabel();
    setAttributedText(l, timeText("21:05"));
    setText(l, NSStr("21:06"));
    auto runs = effectiveRuns(l);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "21:06");
    EXPECT_FALSE(runs[0].color);
    EXPECT_FALSE(hasAttributedText(l));
    // Plain text reads back as an unstyled attributed string.
    id plain = attributedText(l);
    auto* s = dynamic_cast<NSAttributedString*>(plain.get());
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->attributes.empty());
}

TEST(Label, TextColourAfterAttributedTextRecoloursEverythingUntilTheNextAttributedText) {
    id l = makeLabel();
    setAttributedText(l, timeText("21:05"));
    setTextColor(l, redColor());
    auto runs = effectiveRuns(l);
    ASSERT_EQ(runs.size(), 1u);  // the transparent colon is covered too
    EXPECT_EQ(runs[0].text, "21:05");
    EXPECT_TRUE(colorsEqual(runs[0].color, redColor()));

    setAttributedText(l, timeText("21:06"));
    runs = effectiveRuns(l);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(colorsEqual(runs[1].color, colorWithWhite_alpha(1, 0)));
    EXPECT_TRUE(colorsEqual(textColor(l), redColor()));  // no colour at index 0: the label's stays
}

TEST(Label, AColourAtIndexZeroBecomesTheLabelsColour) {
    id l = makeLabel();
    id s = mutableAttributedString("ab");
    addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), blueColor(), NSMakeRange(0, 1));
    setAttributedText(l, s);
    EXPECT_TRUE(colorsEqual(textColor(l), blueColor()));
}

TEST(Label, KeepsItsOwnCopyOfTheAttributedText) {
    id l = makeLabel();
    id s = timeText("9:05");
    setAttributedText(l, s);
    addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), redColor(), NSMakeRange(0, 4));
    auto runs = effectiveRuns(l);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(runs[0].color);
}

TEST(AttributedString, RangesCountUtf16UnitsAndAreClamped) {
    // "é" is one UTF-16 unit in two bytes; the emoji is two units in four bytes.
    std::string text = "\xC3\xA9\xF0\x9F\x98\x80:x";
    EXPECT_EQ(utf16Length(text), 5u);
    EXPECT_EQ(rangeOfString(text, ":"), NSMakeRange(3, 1));
    id s = mutableAttributedString(text);
    EXPECT_EQ(rt::send<unsigned long()>(s, "length"), 5u);
    addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), redColor(), NSMakeRange(3, 100));
    auto runs = colorRuns(s);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(runs[1].text, ":x");
    EXPECT_EQ(rangeOfString(text, "?"), NSMakeRange(NSNotFound, 0));
}

TEST(Color, WhiteAlphaIsClampedAndComponentsReadBack) {
    id c = colorWithWhite_alpha(0.25, 3);
    double r = -1, g = -1, b = -1, a = -1;
    EXPECT_TRUE((rt::send<bool(double*, double*, double*, double*)>(c, "getRed:green:blue:alpha:", &r, &g, &b, &a)));
    EXPECT_EQ(r, 0.25);
    EXPECT_EQ(g, 0.25);
    EXPECT_EQ(b, 0.25);
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(ui::CGColor(colorWithRed_green_blue_alpha(0, 0, 1, -2))->alpha, 0.0);
    EXPECT_TRUE(rt::send<bool(id)>(blueColor(), "isEqual:", colorWithRed_green_blue_alpha(0, 0, 1, 1)));
    EXPECT_FALSE(rt::send<bool(id)>(blueColor(), "isEqual:", clearColor()));
}

TEST(Font, AnyNameIsKeptWithItsSize) {
    id f = fontWithName_size(NSStr("PingFangSC-Thin"), 55);
    EXPECT_EQ(str(fontName(f)), "PingFangSC-Thin");
    EXPECT_EQ(pointSize(f), 55);
}

}  // namespace
