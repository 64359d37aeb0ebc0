// One rendered screen: a Cairo image surface in device pixels, with the
// points-to-pixels scale it was drawn at.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "foundation/Result.h"
#include "graphics/Image.h"

namespace render {

// Straight (not premultiplied) 8-bit components.
struct Pixel {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

class Frame {
public:
    Frame() = default;
    // A cleared (transparent) surface; sizes below 1 make an empty frame.
    Frame(int widthPixels, int heightPixels, double scale);
    // A surface whose pixels are whatever its memory held, for a caller that
    // paints every one of them (a screen starts with its opaque wallpaper):
    // clearing a screen's megabytes first costs more than drawing most views.
    static Frame uncleared(int widthPixels, int heightPixels, double scale);
    ~Frame();
    Frame(Frame&& other) noexcept;
    Frame& operator=(Frame&& other) noexcept;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    bool empty() const { return surface_ == nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    double scale() const { return scale_; }
    cairo_surface_t* surface() const { return surface_; }

    // The pixel at device coordinates; a transparent pixel outside the frame.
    Pixel pixel(int x, int y) const;
    // The frame as PNG bytes; empty when encoding failed. `fast` trades size
    // for time (live frames many times a second); files use the default.
    std::string encodePNG(bool fast = false) const;
    // Writes a PNG by replacing the file whole (temporary file, then rename);
    // a failure says why. `fast`: quick encoding and no flush to disk, for live
    // frames replaced many times a second.
    ns::Result<> writePNG(const std::string& path, bool fast = false) const;
    // The pixels as the graphics layer's image (RGBA, premultiplied).
    CGImageRef toImage() const;

private:
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    double scale_ = 1;
};

}  // namespace render
