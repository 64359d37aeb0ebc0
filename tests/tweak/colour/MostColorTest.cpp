// UIImage(mostColor): the dominant colour of the 50 x 50 sample and the
// lightness verdict with its log line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIImage+UIMostColor.h"
#include "foundation/Log.h"
#include "uikit/UIKit.h"

namespace {

class MostColorTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvelle::addMostColorCategory();
        ns::setLogSink([this](const std::string& line) {
            log.push_back(!line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line);
        });
    }
    void TearDown() override { ns::setLogSink([](const std::string&) {}); }

    static id flat(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255, std::size_t w = 120,
                   std::size_t h = 90) {
        return ui::makeImage(cg::makeFlatImage(w, h, r, g, b, a));
    }
    static std::vector<double> rgba(const id& color) {
        auto c = rt::cast<UIColor>(color);
        return c ? std::vector<double>{c->red, c->green, c->blue, c->alpha} : std::vector<double>{};
    }
    static bool light(const id& image) { return rt::send<bool()>(image, "isLightColor"); }
    static id most(const id& image) { return rt::send<id()>(image, "mostColor"); }
    std::vector<std::string> log;
};

double byte(int b) { return static_cast<double>(static_cast<float>(b) / 255.0f); }

TEST_F(MostColorTest, OneOpaqueColourIsItselfWithFullAlpha) {
    EXPECT_EQ(rgba(most(flat(10, 200, 30))), (std::vector<double>{byte(10), byte(200), byte(30), 1.0}));
}

TEST_F(MostColorTest, LightnessTurnsAtASumOf633) {
    EXPECT_TRUE(light(flat(255, 255, 255)));
    EXPECT_TRUE(light(flat(211, 211, 211)));
    EXPECT_FALSE(light(flat(211, 211, 210)));
    EXPECT_FALSE(light(flat(0, 0, 0)));
    EXPECT_EQ(log, (std::vector<std::string>{"255.000000 255.000000 255.000000", "211.000000 211.000000 211.000000",
                                             "211.000000 211.000000 210.000000", "0.000000 0.000000 0.000000"}));
}

TEST_F(MostColorTest, ATransparentImageIsClearAndDark) {
    id image = flat(0, 0, 0, 0);
    EXPECT_EQ(rgba(most(image)), (std::vector<double>{0, 0, 0, 0}));
    double c[3] = {9, 9, 9};
    rt::send<void(double*, id)>(image, "getRGBComponents:forColor:", c, most(image));
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{0, 0, 0}));
    EXPECT_FALSE(light(image));
}

TEST_F(MostColorTest, ComponentsOfATranslucentColourArePremultiplied) {
    double c[3] = {};
    rt::send<void(double*, id)>(flat(1, 1, 1), "getRGBComponents:forColor:", c, ui::colorWithWhite_alpha(1, 0.5));
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{128, 128, 128}));
}

// A 50 x 50 image is sampled pixel for pixel, so its exact values are counted.
id sampleSized(const std::vector<std::uint32_t>& keys) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t k : keys)
        for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<std::uint8_t>(k >> shift));
    return ui::makeImage(cg::makeImage(50, 50, std::move(bytes)));
}

TEST_F(MostColorTest, TheMostFrequentColourWins) {
    std::vector<std::uint32_t> keys(2500, 0x2040A0FF);
    for (std::size_t i = 0; i < 1249; ++i) keys[i * 2] = 0xF0F0F0FF;  // the greater key, one short of half
    EXPECT_EQ(rgba(most(sampleSized(keys))), (std::vector<double>{byte(0x20), byte(0x40), byte(0xA0), 1.0}));
}

TEST_F(MostColorTest, AmongEquallyFrequentColoursTheLastVisitedWins) {
    // Every pixel differs: all counts are 1, and the greatest key is visited last.
    std::vector<std::uint32_t> keys;
    for (std::uint32_t i = 0; i < 2500; ++i) keys.push_back((i * 7919u % 2500u) << 8 | 0xFF);
    const std::uint32_t last = 2499u << 8 | 0xFF;
    EXPECT_EQ(rgba(most(sampleSized(keys))),
              (std::vector<double>{byte(last >> 24), byte(last >> 16 & 0xFF), byte(last >> 8 & 0xFF), 1.0}));
}

TEST(MostFrequentKey, TiesDoNotDependOnThePixelOrder) {
    const std::uint8_t a[] = {1, 2, 3, 255, 9, 9, 9, 255, 1, 2, 3, 255, 9, 9, 9, 255};
    const std::uint8_t b[] = {9, 9, 9, 255, 9, 9, 9, 255, 1, 2, 3, 255, 1, 2, 3, 255};
    EXPECT_EQ(orvelle::mostFrequentKey(a, 4), 0x090909FFu);
    EXPECT_EQ(orvelle::mostFrequentKey(b, 4), 0x090909FFu);
    const std::uint8_t c[] = {1, 2, 3, 255, 9, 9, 9, 255, 1, 2, 3, 255};
    EXPECT_EQ(orvelle::mostFrequentKey(c, 3), 0x010203FFu);
}

}  // namespace
