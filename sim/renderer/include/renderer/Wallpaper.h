// Lock-screen wallpapers: the two the project draws itself (dark and light) or
// a picture of the device's own.
#pragma once

#include <cairo.h>

#include <optional>
#include <string>
#include <string_view>

#include "graphics/Image.h"

namespace render {

struct Wallpaper {
    enum class Kind { Dark, Light, Picture };
    Kind kind = Kind::Dark;
    std::string path;  // Picture: a PNG or JPEG file, scaled to fill the screen

    static Wallpaper dark() { return {Kind::Dark, {}}; }
    static Wallpaper light() { return {Kind::Light, {}}; }
    static Wallpaper picture(std::string file) { return {Kind::Picture, std::move(file)}; }
    friend bool operator==(const Wallpaper&, const Wallpaper&) = default;
};

// "dark", "light", or an absolute path to a picture; nothing for anything else.
std::optional<Wallpaper> parseWallpaper(std::string_view text);
// The name parseWallpaper reads back.
std::string wallpaperName(const Wallpaper& wallpaper);

// Paints the wallpaper over (0, 0, width, height) of the context's user space.
// A picture that cannot be loaded paints the dark wallpaper and says why on
// standard error (once per file).
void paintWallpaper(cairo_t* cr, const Wallpaper& wallpaper, double width, double height);

// The wallpaper's pixels at a size in pixels: what the host analyses for its
// legibility colour.
CGImageRef wallpaperImage(const Wallpaper& wallpaper, int widthPixels, int heightPixels);

}  // namespace render
