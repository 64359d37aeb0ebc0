// Bitmap contexts: the byte layout, source-over fills with the drawing
// library's rounding, and scaled image drawing.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "graphics/BitmapContext.h"

namespace {

using Pixel = std::array<std::uint8_t, 4>;

Pixel at(const CGContextRef& c, std::size_t x, std::size_t y) {
    auto* p = static_cast<std::uint8_t*>(CGBitmapContextGetData(c)) + y * CGBitmapContextGetBytesPerRow(c) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

CGContextRef rgba(std::size_t w, std::size_t h, void* data = nullptr) {
    return CGBitmapContextCreate(data, w, h, 8, 4 * w, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
}

TEST(BitmapContext, OwnMemoryStartsClearedAndBytesAreRGBA) {
    auto c = rgba(2, 2);
    ASSERT_TRUE(c);
    EXPECT_EQ(at(c, 1, 1), (Pixel{0, 0, 0, 0}));
    CGContextSetFillColorWithColor(c, CGColorCreateRGBA(1, 0.5, 0, 1));
    CGContextFillRect(c, CGRectMake(0, 0, 2, 2));
    EXPECT_EQ(at(c, 0, 0), (Pixel{255, 128, 0, 255}));
}

TEST(BitmapContext, TranslucentWhiteOverClearRoundsAsTheLibraryDoes) {
    auto c = rgba(1, 1);
    CGContextSetFillColorWithColor(c, CGColorCreateRGBA(1, 1, 1, 0.5));
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(at(c, 0, 0), (Pixel{128, 128, 128, 128}));
    // 16-bit rounding: 0.3 gives 76, where rounding 0.3 * 255 would give 77.
    auto d = rgba(1, 1);
    CGContextSetFillColorWithColor(d, CGColorCreateRGBA(1, 0, 0, 0.3));
    CGContextFillRect(d, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(at(d, 0, 0), (Pixel{76, 0, 0, 76}));
}

TEST(BitmapContext, FillsCompositeOverWhatIsThere) {
    auto c = rgba(1, 1);
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    CGContextSetRGBFillColor(c, 1, 0, 0, 0.5);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    Pixel p = at(c, 0, 0);
    EXPECT_EQ(p[3], 255);
    EXPECT_NEAR(p[0], 128, 1);
    EXPECT_NEAR(p[2], 127, 1);
}

TEST(BitmapContext, CallerMemoryIsUsedAsItIs) {
    std::vector<std::uint8_t> memory(4 * 4, 7);
    auto c = rgba(2, 2, memory.data());
    ASSERT_TRUE(c);
    EXPECT_EQ(CGBitmapContextGetData(c), memory.data());
    EXPECT_EQ(memory[5], 7);  // not cleared
    CGContextSetRGBFillColor(c, 0, 1, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));  // the lower-left pixel: the last row in memory
    EXPECT_EQ((Pixel{memory[8], memory[9], memory[10], memory[11]}), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(memory[0], 7);
}

TEST(BitmapContext, LittleEndianFirstAlphaIsBGRAInMemory) {
    auto c = CGBitmapContextCreate(nullptr, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(),
                                   kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    ASSERT_TRUE(c);
    CGContextSetRGBFillColor(c, 1, 0.5, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(at(c, 0, 0), (Pixel{0, 128, 255, 255}));
}

TEST(BitmapContext, UnsupportedLayoutsAnswerNothing) {
    auto space = CGColorSpaceCreateDeviceRGB();
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 4, 4, 16, 32, space, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 4, 4, 8, 8, space, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 4, 4, 8, 16, space, kCGImageAlphaLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 0, 4, 8, 16, space, kCGImageAlphaPremultipliedLast));
    EXPECT_FALSE(CGBitmapContextCreate(nullptr, 4, 4, 8, 16, nullptr, kCGImageAlphaPremultipliedLast));
}

TEST(DrawImage, AFlatImageKeepsItsColourExactlyWhenScaled) {
    for (auto [w, h] : {std::pair<std::size_t, std::size_t>{7, 3}, {200, 120}, {1, 1}}) {
        auto c = rgba(50, 50);
        CGContextDrawImage(c, CGRectMake(0, 0, 50, 50), cg::makeFlatImage(w, h, 211, 17, 90, 255));
        for (std::size_t y = 0; y < 50; y += 7)
            for (std::size_t x = 0; x < 50; x += 7) ASSERT_EQ(at(c, x, y), (Pixel{211, 17, 90, 255})) << w << "x" << h;
        EXPECT_EQ(at(c, 49, 49), (Pixel{211, 17, 90, 255}));
    }
}

TEST(DrawImage, TheImagesTopRowIsTheFirstRowInMemory) {
    // A 1x2 image: red above blue.
    auto img = cg::makeImage(1, 2, {255, 0, 0, 255, 0, 0, 255, 255});
    auto c = rgba(1, 2);
    CGContextDrawImage(c, CGRectMake(0, 0, 1, 2), img);
    EXPECT_EQ(at(c, 0, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(c, 0, 1), (Pixel{0, 0, 255, 255}));

    // A rect in the lower half of a taller context lands in the last rows.
    auto d = rgba(1, 4);
    CGContextDrawImage(d, CGRectMake(0, 0, 1, 2), img);
    EXPECT_EQ(at(d, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(at(d, 0, 2), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(d, 0, 3), (Pixel{0, 0, 255, 255}));
}

TEST(DrawImage, SnapshotsCopyThePixels) {
    auto c = rgba(2, 1);
    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    CGImageRef snap = CGBitmapContextCreateImage(c);
    ASSERT_TRUE(snap);
    CGContextClearRect(c, CGRectMake(0, 0, 2, 1));
    EXPECT_EQ(at(c, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(snap->rgba.begin(), snap->rgba.begin() + 8),
              (std::vector<std::uint8_t>{255, 255, 255, 255, 0, 0, 0, 0}));
}

}  // namespace
