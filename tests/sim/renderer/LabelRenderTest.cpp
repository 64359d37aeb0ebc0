// Labels on the screen: where their text lands, in which colours, and how much of it.
#include <gtest/gtest.h>

#include "Pixels.h"
#include "renderer/FontMap.h"

namespace {

using namespace rendertest;

TEST(LabelRender, WhiteTextStaysInsideItsLabelOnTheDarkWallpaper) {
    id root = screenRoot();
    const CGRect frame = CGRectMake(40, 100, 250, 60);
    ui::addSubview(root, whiteLabel(frame, "Orvelle 12:34"));
    render::Frame f = renderRoot(root);
    ASSERT_EQ(f.width(), 375);
    EXPECT_GT(count(f, frame, isWhite), 200);
    EXPECT_EQ(count(f, frame, isWhite, /*outside=*/true), 0);
}

TEST(LabelRender, ATransparentRunKeepsItsWidthAndDrawsNothing) {
    // The time label's colon carries white at alpha 0; the digits must sit where
    // they sit with the colon visible, so the overlay label lines up with it.
    const CGRect frame = CGRectMake(10, 100, 250, 90);
    auto timeLabel = [&](bool colonHidden) {
        id root = screenRoot();
        id l = whiteLabel(frame, "21:05", "PingFangSC-Thin", 55);
        if (colonHidden) {
            id s = ui::mutableAttributedString("21:05");
            ui::addAttribute_value_range(s, NSStr(NSForegroundColorAttributeName), ui::colorWithWhite_alpha(1, 0),
                                         ui::rangeOfString("21:05", ":"));
            ui::setAttributedText(l, s);
        }
        ui::addSubview(root, l);
        return renderRoot(root, 2);
    };
    render::Frame visible = timeLabel(false);
    render::Frame hidden = timeLabel(true);

    // Columns where the two differ: only the colon's, and there the hidden one has no ink.
    int minX = visible.width(), maxX = -1;
    for (int y = 0; y < visible.height(); ++y)
        for (int x = 0; x < visible.width(); ++x)
            if (!(visible.pixel(x, y) == hidden.pixel(x, y))) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0) << "the colon drew in both";
    auto text = inkBox(visible, isWhite);
    ASSERT_TRUE(text);
    EXPECT_LT(maxX - minX + 1, text->width() / 5) << "the difference spreads beyond the colon";
    EXPECT_GT(minX, text->minX + text->width() / 4);
    EXPECT_LT(maxX, text->maxX - text->width() / 4);
    // In points: the colon's columns over the label's height.
    const CGRect colon = CGRectMake(minX / 2.0, frame.origin.y, (maxX - minX + 1) / 2.0, frame.size.height);
    auto ink = [](const render::Pixel& p) { return p.r > 120 && p.g > 120 && p.b > 120; };
    EXPECT_EQ(count(hidden, colon, ink), 0);
    EXPECT_GT(count(visible, colon, ink), 20);
}

TEST(LabelRender, AlignmentPutsTheTextAtItsEdge) {
    const CGRect frame = CGRectMake(20, 100, 300, 40);
    auto inkOf = [&](long alignment, std::string_view text) {
        id root = screenRoot();
        id l = whiteLabel(frame, text, "PingFangSC-Medium", 24);
        ui::setTextAlignment(l, alignment);
        ui::addSubview(root, l);
        return inkBox(renderRoot(root), isWhite);
    };
    auto left = inkOf(NSTextAlignmentLeft, "Sunny");
    auto centre = inkOf(NSTextAlignmentCenter, "Sunny");
    auto right = inkOf(NSTextAlignmentRight, "Sunny");
    auto natural = inkOf(NSTextAlignmentNatural, "Sunny");
    ASSERT_TRUE(left && centre && right && natural);
    EXPECT_NEAR(left->minX, 20, 4);
    EXPECT_NEAR(right->maxX, 319, 4);
    EXPECT_GT(right->minX, 200);
    EXPECT_NEAR((centre->minX + centre->maxX) / 2.0, 170, 4);
    EXPECT_EQ(natural->minX, left->minX);  // natural is left for left-to-right text
    EXPECT_EQ(natural->maxX, left->maxX);

    // Right-to-left text starts at the right edge when the alignment is natural.
    auto hebrew = inkOf(NSTextAlignmentNatural, "\u05E9\u05DC\u05D5\u05DD");
    ASSERT_TRUE(hebrew);
    EXPECT_NEAR(hebrew->maxX, 319, 4);
}

TEST(LabelRender, TextIsCentredVerticallyInItsFrame) {
    for (const char* text : {"Monday", "Monday\n2026-12-07"}) {
        id root = screenRoot();
        id l = whiteLabel(CGRectMake(20, 100, 300, 200), text, "PingFangSC-Regular", 20);
        ui::setNumberOfLines(l, 0);
        ui::addSubview(root, l);
        auto ink = inkBox(renderRoot(root), isWhite);
        ASSERT_TRUE(ink) << text;
        EXPECT_NEAR((ink->minY + ink->maxY) / 2.0, 200, 6) << text;
    }
}

TEST(LabelRender, NumberOfLinesAndTheFrameBoundTheText) {
    const std::string words = "The weather today is mostly sunny with a light breeze from the west";
    auto inkOf = [&](long lines, long mode, CGRect frame) {
        id root = screenRoot();
        id l = whiteLabel(frame, words, "PingFangSC-Regular", 15);
        ui::setNumberOfLines(l, lines);
        ui::setLineBreakMode(l, mode);
        ui::addSubview(root, l);
        return inkBox(renderRoot(root), isWhite);
    };
    const CGRect tall = CGRectMake(10, 100, 120, 300);
    auto one = inkOf(1, NSLineBreakByTruncatingTail, tall);
    auto all = inkOf(0, NSLineBreakByWordWrapping, tall);
    auto two = inkOf(2, NSLineBreakByWordWrapping, tall);
    ASSERT_TRUE(one && all && two);
    EXPECT_LT(one->height(), 22);                  // one line of 15-point text
    EXPECT_GT(all->height(), 4 * 15);              // every line
    EXPECT_GT(two->height(), 22);
    EXPECT_LT(two->height(), 2 * 22);
    for (const auto& b : {*one, *all, *two}) {     // never past the label's sides
        EXPECT_GE(b.minX, 10);
        EXPECT_LE(b.maxX, 130);
    }
    // Unlimited lines still stop at the label's height (here two lines' worth).
    auto shallow = inkOf(0, NSLineBreakByWordWrapping, CGRectMake(10, 100, 120, 40));
    ASSERT_TRUE(shallow);
    EXPECT_LT(shallow->height(), 2 * 22);
    EXPECT_GE(shallow->minY, 100 - 2);
}

TEST(LabelRender, CJKWeekdaysDrawWithRealGlyphs) {
    EXPECT_EQ(render::missingGlyphs("火曜日 星期二", "PingFangSC-Regular"), 0);
    EXPECT_EQ(render::missingGlyphs("Dienstag вторник", "PingFangSC-Thin"), 0);
    id root = screenRoot();
    const CGRect frame = CGRectMake(10, 100, 200, 40);
    ui::addSubview(root, whiteLabel(frame, "火曜日", "PingFangSC-Regular", 20));
    render::Frame f = renderRoot(root);
    EXPECT_GT(count(f, frame, isWhite), 50);
}

TEST(LabelRender, ScaleTwoDoublesEverything) {
    id root = screenRoot();
    ui::addSubview(root, whiteLabel(CGRectMake(30, 80, 200, 50), "21:05", "HelveticaNeue-Thin", 45));
    render::Frame one = renderRoot(root, 1);
    render::Frame two = renderRoot(root, 2);
    EXPECT_EQ(two.width(), 2 * one.width());
    EXPECT_EQ(two.height(), 2 * one.height());
    auto a = inkBox(one, isWhite), b = inkBox(two, isWhite);
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(b->minX, 2 * a->minX, 3);
    EXPECT_NEAR(b->minY, 2 * a->minY, 3);
    EXPECT_NEAR(b->width(), 2 * a->width(), 4);
    EXPECT_NEAR(b->height(), 2 * a->height(), 4);
}

}  // namespace
