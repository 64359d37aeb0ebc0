// The canvas a recording draws from: pushed regions land where they say, and
// an update that cannot be laid down whole changes nothing.
#include <gtest/gtest.h>

#include "record/ScreenCanvas.h"
#include "renderer/Frame.h"

namespace {

// A PNG of w x h pixels of one colour.
std::string flatPNG(int w, int h, double r, double g, double b) {
    render::Frame frame(w, h, 1);
    cairo_t* cr = cairo_create(frame.surface());
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    return frame.encodePNG();
}

wire::ScreenUpdate updateOf(int w, int h, bool whole) {
    wire::ScreenUpdate u;
    u.set_width(static_cast<std::uint32_t>(w));
    u.set_height(static_cast<std::uint32_t>(h));
    u.set_whole(whole);
    return u;
}

void addPicture(wire::ScreenUpdate& u, std::uint32_t x, std::uint32_t y, const std::string& png) {
    wire::ScreenPicture& p = *u.add_pictures();
    p.set_x(x);
    p.set_y(y);
    p.set_png(png);
}

std::uint8_t red(const record::ScreenCanvas& c, int x, int y) { return c.rgba()[(static_cast<std::size_t>(y) * c.width() + x) * 4]; }

TEST(ScreenCanvas, LaysTheWholeScreenThenTheChangedRegionsWhereTheySay) {
    record::ScreenCanvas canvas;
    auto whole = updateOf(8, 6, true);
    addPicture(whole, 0, 0, flatPNG(8, 6, 0, 0, 1));
    ASSERT_TRUE(canvas.apply(whole));
    EXPECT_EQ(canvas.width(), 8);
    EXPECT_EQ(red(canvas, 5, 4), 0);
    auto part = updateOf(8, 6, false);
    addPicture(part, 4, 3, flatPNG(2, 2, 1, 0, 0));
    ASSERT_TRUE(canvas.apply(part));
    EXPECT_EQ(red(canvas, 4, 3), 255);
    EXPECT_EQ(red(canvas, 5, 4), 255);
    EXPECT_EQ(red(canvas, 3, 3), 0);
    EXPECT_EQ(red(canvas, 6, 4), 0);
}

TEST(ScreenCanvas, RefusesWhatCannotBeLaidDownWholeAndKeepsWhatItHad) {
    record::ScreenCanvas canvas;
    auto first = updateOf(8, 6, false);
    addPicture(first, 0, 0, flatPNG(2, 2, 1, 0, 0));
    EXPECT_FALSE(canvas.apply(first)) << "a partial update before any whole screen";
    EXPECT_FALSE(canvas.ready());

    auto whole = updateOf(8, 6, true);
    addPicture(whole, 0, 0, flatPNG(8, 6, 0, 0, 1));
    ASSERT_TRUE(canvas.apply(whole));
    struct Case {
        const char* what;
        wire::ScreenUpdate update;
    };
    std::vector<Case> cases;
    auto off = updateOf(8, 6, false);
    addPicture(off, 0, 0, flatPNG(1, 1, 1, 0, 0));  // a good one first: it must not land either
    addPicture(off, 7, 5, flatPNG(2, 2, 1, 0, 0));
    cases.push_back({"a picture running off the screen", off});
    auto far = updateOf(8, 6, false);
    addPicture(far, 4000000000u, 0, flatPNG(1, 1, 1, 0, 0));
    cases.push_back({"a picture far outside", far});
    auto garbage = updateOf(8, 6, false);
    addPicture(garbage, 0, 0, "\x89PNG not really");
    cases.push_back({"a picture that is no PNG", garbage});
    auto resized = updateOf(16, 6, false);
    cases.push_back({"another size, not whole", resized});
    cases.push_back({"no size at all", updateOf(0, 0, true)});
    for (const Case& c : cases) {
        EXPECT_FALSE(canvas.apply(c.update)) << c.what;
        EXPECT_EQ(canvas.width(), 8) << c.what;
        EXPECT_EQ(red(canvas, 0, 0), 0) << c.what << " changed the canvas";
    }
}

}  // namespace
