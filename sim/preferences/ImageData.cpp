#include "ImageData.h"

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace prefs {

namespace {

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string pngDataURL(const CGImageRef& image) {
    if (!image || image->width == 0 || image->height == 0 || image->rgba.size() != image->width * image->height * 4)
        return {};
    const int width = static_cast<int>(image->width), height = static_cast<int>(image->height);
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    cairo_surface_flush(surface.get());
    unsigned char* rows = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    // Both sides premultiplied; Cairo keeps a native-endian ARGB word per pixel.
    const std::uint8_t* px = image->rgba.data();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(rows + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x, px += 4)
            out[x] = std::uint32_t{px[3]} << 24 | std::uint32_t{px[0]} << 16 | std::uint32_t{px[1]} << 8 | px[2];
    }
    cairo_surface_mark_dirty(surface.get());
    std::string png;
    if (cairo_surface_write_to_png_stream(surface.get(), &appendBytes, &png) != CAIRO_STATUS_SUCCESS) return {};
    return "data:image/png;base64," + base64(png);
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t n = std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << 16 |
                          std::uint32_t{static_cast<std::uint8_t>(bytes[i + 1])} << 8 |
                          static_cast<std::uint8_t>(bytes[i + 2]);
        for (int shift : {18, 12, 6, 0}) out += kDigits[n >> shift & 63];
    }
    if (std::size_t left = bytes.size() - i) {
        std::uint32_t n = std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << 16;
        if (left == 2) n |= std::uint32_t{static_cast<std::uint8_t>(bytes[i + 1])} << 8;
        out += kDigits[n >> 18 & 63];
        out += kDigits[n >> 12 & 63];
        out += left == 2 ? kDigits[n >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace prefs
