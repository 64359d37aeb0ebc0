#include "graphics/Image.h"

namespace cg {

CGImageRef makeImage(std::size_t width, std::size_t height, std::vector<std::uint8_t> rgba) {
    if (width == 0 || height == 0 || rgba.size() != width * height * 4) return {};
    auto image = std::make_shared<CGImage>();
    image->width = width;
    image->height = height;
    image->rgba = std::move(rgba);
    return image;
}

CGImageRef makeFlatImage(std::size_t width, std::size_t height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                         std::uint8_t a) {
    auto premultiply = [a](std::uint8_t c) { return static_cast<std::uint8_t>((c * a + 127) / 255); };
    std::vector<std::uint8_t> pixels(width * height * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = premultiply(r);
        pixels[i + 1] = premultiply(g);
        pixels[i + 2] = premultiply(b);
        pixels[i + 3] = a;
    }
    return makeImage(width, height, std::move(pixels));
}

}  // namespace cg
