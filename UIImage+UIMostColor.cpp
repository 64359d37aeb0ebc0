#include "UIImage+UIMostColor.h"

#include <algorithm>
#include <array>
#include <vector>

#include "foundation/Log.h"
#include "graphics/BitmapContext.h"
#include "uikit/UIKit.h"

namespace orvelle {

namespace {

constexpr std::size_t kEdge = kMostColorSampleEdge;
constexpr std::size_t kPixels = kEdge * kEdge;

id mostColorImp(id self, SEL) {
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGContextRef context =
        CGBitmapContextCreate(nullptr, kEdge, kEdge, 8, 4 * kEdge, space, kCGImageAlphaPremultipliedLast);
    CGContextDrawImage(context, CGRectMake(0, 0, kEdge, kEdge), ui::CGImage(self));
    CGColorSpaceRelease(space);
    const auto* data = static_cast<const std::uint8_t*>(CGBitmapContextGetData(context));
    if (!data) return {};

    // Pixels column by column, as x then y; the count itself does not depend on the order.
    std::array<std::uint8_t, 4 * kPixels> sample;
    std::size_t n = 0;
    for (std::size_t x = 0; x < kEdge; ++x)
        for (std::size_t y = 0; y < kEdge; ++y, ++n)
            std::copy_n(data + 4 * (kEdge * y + x), 4, sample.data() + 4 * n);
    CGContextRelease(context);

    std::uint32_t key = mostFrequentKey(sample.data(), kPixels);
    auto channel = [key](int shift) { return static_cast<double>(static_cast<float>((key >> shift) & 0xFF) / 255.0f); };
    return ui::colorWithRed_green_blue_alpha(channel(24), channel(16), channel(8), channel(0));
}

void getRGBComponentsImp(id, SEL, double* components, id color) {
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    std::array<std::uint8_t, 4> pixel{};
    CGContextRef context = CGBitmapContextCreate(pixel.data(), 1, 1, 8, 4, space, kCGImageAlphaPremultipliedLast);
    // No colour leaves the context's default fill.
    if (CGColorRef cg = ui::CGColor(color)) CGContextSetFillColorWithColor(context, cg);
    CGContextFillRect(context, CGRectMake(0, 0, 1, 1));
    CGContextRelease(context);
    CGColorSpaceRelease(space);
    for (int i = 0; i < 3; ++i) components[i] = pixel[i];
}

bool isLightColorImp(id self, SEL) {
    id color = mostColor(self);
    double components[3] = {0, 0, 0};
    getRGBComponents_forColor(self, components, color);
    NSLog("%f %f %f", components[0], components[1], components[2]);
    return components[0] + components[1] + components[2] >= kLightColorSum;
}

}  // namespace

std::uint32_t mostFrequentKey(const std::uint8_t* rgba, std::size_t count) {
    std::array<std::uint32_t, kPixels> small;
    std::vector<std::uint32_t> large;
    std::uint32_t* keys = small.data();
    if (count > small.size()) {
        large.resize(count);
        keys = large.data();
    }
    for (std::size_t i = 0; i < count; ++i, rgba += 4)
        keys[i] = std::uint32_t{rgba[0]} << 24 | std::uint32_t{rgba[1]} << 16 | std::uint32_t{rgba[2]} << 8 | rgba[3];
    std::sort(keys, keys + count);
    // Visit the distinct keys in ascending order; "not less than" lets the last of a tie win.
    std::size_t bestCount = 0;
    std::uint32_t best = 0;
    for (std::size_t i = 0; i < count;) {
        std::size_t j = i;
        while (j < count && keys[j] == keys[i]) ++j;
        if (j - i >= bestCount) {
            bestCount = j - i;
            best = keys[i];
        }
        i = j;
    }
    return best;
}

void addMostColorCategory() {
    rt::Class* image = rt::objc_getClass("UIImage");
    if (!image) return;
    rt::addMethod(image, mostColor, &mostColorImp);
    rt::addMethod(image, isLightColor, &isLightColorImp);
    rt::addMethod(image, getRGBComponents_forColor, &getRGBComponentsImp);
}

}  // namespace orvelle

__attribute__((constructor(200))) static void mostColorLoad() { orvelle::addMostColorCategory(); }
