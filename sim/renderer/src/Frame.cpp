#include "renderer/Frame.h"

#include "foundation/FileReplace.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>
#include <utility>

namespace render {

Frame::Frame(int widthPixels, int heightPixels, double scale) : scale_(scale) {
    if (widthPixels < 1 || heightPixels < 1) return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface_ = s;
    width_ = widthPixels;
    height_ = heightPixels;
}

Frame Frame::uncleared(int widthPixels, int heightPixels, double scale) {
    Frame f;
    f.scale_ = scale;
    if (widthPixels < 1 || heightPixels < 1) return f;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, widthPixels);
    auto* bytes = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(stride) * heightPixels));
    if (!bytes) return f;
    cairo_surface_t* s = cairo_image_surface_create_for_data(bytes, CAIRO_FORMAT_ARGB32, widthPixels, heightPixels, stride);
    static cairo_user_data_key_t owner;
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(s, &owner, bytes, &std::free) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        std::free(bytes);
        return f;
    }
    f.surface_ = s;
    f.width_ = widthPixels;
    f.height_ = heightPixels;
    return f;
}

Frame::~Frame() {
    if (surface_) cairo_surface_destroy(surface_);
}

Frame::Frame(Frame&& o) noexcept
    : surface_(std::exchange(o.surface_, nullptr)),
      width_(std::exchange(o.width_, 0)),
      height_(std::exchange(o.height_, 0)),
      scale_(o.scale_) {}

Frame& Frame::operator=(Frame&& o) noexcept {
    if (this != &o) {
        if (surface_) cairo_surface_destroy(surface_);
        surface_ = std::exchange(o.surface_, nullptr);
        width_ = std::exchange(o.width_, 0);
        height_ = std::exchange(o.height_, 0);
        scale_ = o.scale_;
    }
    return *this;
}

Pixel Frame::pixel(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    cairo_surface_flush(surface_);
    const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    std::uint32_t word;
    std::memcpy(&word, row + 4 * x, 4);  // one native-endian word: A in the top byte
    std::uint8_t a = word >> 24;
    auto straight = [a](std::uint32_t c) -> std::uint8_t {
        return a == 0 ? 0 : static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
    };
    return Pixel{straight(word >> 16 & 255), straight(word >> 8 & 255), straight(word & 255), a};
}

namespace {
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void flushNothing(png_structp) {}
[[noreturn]] void pngFailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}
}  // namespace

std::string Frame::encodePNG(bool fast) const {
    std::string bytes;
    if (!surface_) return bytes;
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    std::vector<unsigned char> row(static_cast<std::size_t>(width_) * 4);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &pngFailed, &pngWarning);
    if (!png) return bytes;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        bytes.clear();
        return bytes;
    }
    png_set_write_fn(png, &bytes, &appendBytes, &flushNothing);
    if (fast) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width_), static_cast<png_uint_32>(height_), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < height_; ++y) {
        const unsigned char* src = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width_; ++x) {
            std::uint32_t w;
            std::memcpy(&w, src + 4 * x, 4);
            const std::uint32_t a = w >> 24;
            unsigned char* out = &row[static_cast<std::size_t>(x) * 4];
            if (a == 255 || a == 0) {
                out[0] = w >> 16 & 255;
                out[1] = w >> 8 & 255;
                out[2] = w & 255;
            } else {  // PNG holds straight colour
                out[0] = static_cast<unsigned char>(((w >> 16 & 255) * 255 + a / 2) / a);
                out[1] = static_cast<unsigned char>(((w >> 8 & 255) * 255 + a / 2) / a);
                out[2] = static_cast<unsigned char>(((w & 255) * 255 + a / 2) / a);
            }
            out[3] = static_cast<unsigned char>(a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

ns::Result<> Frame::writePNG(const std::string& path, bool fast) const {
    if (!surface_) return ns::fail("cannot write " + path + ": the frame is empty");
    std::string bytes = encodePNG(fast);
    if (bytes.empty()) return ns::fail("cannot write " + path + ": PNG encoding failed");
    return ns::replaceFile(path, bytes, fast ? ns::Durability::Quick : ns::Durability::Flushed);
}

CGImageRef Frame::toImage() const {
    if (!surface_) return {};
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            std::uint32_t w;
            std::memcpy(&w, data + y * stride + 4 * x, 4);
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width_ + x) * 4];
            p[0] = w >> 16 & 255;
            p[1] = w >> 8 & 255;
            p[2] = w & 255;
            p[3] = w >> 24;
        }
    }
    return cg::makeImage(width_, height_, std::move(rgba));
}

}  // namespace render
