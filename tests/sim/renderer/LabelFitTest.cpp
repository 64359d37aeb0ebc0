// A label's fit as the layout check reads it: the lines its text takes and
// those drawn, and its ink where the drawing puts it.
#include <gtest/gtest.h>

#include "Pixels.h"
#include "renderer/LabelFit.h"

namespace {

using namespace rendertest;

const std::string kWords = "The weather today is mostly sunny with a light breeze from the west";

TEST(LabelFit, CountsTheLinesTakenAndThoseDrawn) {
    id l = whiteLabel(CGRectMake(10, 100, 120, 300), kWords, "PingFangSC-Regular", 15);
    ui::setNumberOfLines(l, 0);
    render::LabelFit all = render::labelFit(l);
    EXPECT_GT(all.lines, 3);
    EXPECT_EQ(all.shownLines, all.lines);
    EXPECT_FALSE(all.truncated);
    EXPECT_LE(all.width, 120);

    ui::setNumberOfLines(l, 1);
    ui::setLineBreakMode(l, NSLineBreakByTruncatingTail);
    render::LabelFit one = render::labelFit(l);
    EXPECT_EQ(one.lines, all.lines) << "the lines the text needs, before the ellipsis";
    EXPECT_EQ(one.shownLines, 1);
    EXPECT_TRUE(one.truncated);
    // Measured again after the drawing kept an ellipsized layout: the same.
    id root = screenRoot();
    ui::addSubview(root, l);
    (void)renderRoot(root);
    render::LabelFit again = render::labelFit(l);
    EXPECT_EQ(again.lines, one.lines);
    EXPECT_TRUE(again.truncated);

    // Unlimited lines in a frame two lines high: cut, with no ellipsis.
    ui::setNumberOfLines(l, 0);
    ui::setLineBreakMode(l, NSLineBreakByWordWrapping);
    ui::setFrame(l, CGRectMake(10, 100, 120, 40));
    render::LabelFit cut = render::labelFit(l);
    EXPECT_EQ(cut.shownLines, 2);
    EXPECT_GT(cut.lines, 2);
    EXPECT_FALSE(cut.truncated);
}

TEST(LabelFit, InkIsWhereTheGlyphsAreDrawn) {
    const CGRect frame = CGRectMake(40, 100, 250, 60);
    id l = whiteLabel(frame, "Orvelle 12:34");
    render::LabelFit fit = render::labelFit(l);
    id root = screenRoot();
    ui::addSubview(root, l);
    auto ink = inkBox(renderRoot(root), isWhite);
    ASSERT_TRUE(ink);
    // One pixel a point; anti-aliasing may reach a pixel further.
    EXPECT_NEAR(frame.origin.x + fit.inkX, ink->minX, 1.5);
    EXPECT_NEAR(frame.origin.y + fit.inkY, ink->minY, 1.5);
    EXPECT_NEAR(fit.inkWidth, ink->width(), 2.5);
    EXPECT_NEAR(fit.inkHeight, ink->height(), 2.5);
    EXPECT_EQ(render::labelFit(whiteLabel(frame, "")).lines, 0);
}

}  // namespace
