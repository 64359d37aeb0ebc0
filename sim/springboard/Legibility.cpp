#include "Legibility.h"

#include <algorithm>
#include <cmath>

#include "Geometry.h"
#include "foundation/PropertyList.h"
#include "renderer/Wallpaper.h"
#include "uikit/UIColor.h"
#include "uikit/UIDevice.h"

namespace springboard {

namespace {
// Above this the wallpaper counts as light: dark text reads better on it.
constexpr double kLightWallpaper = 0.5;
}  // namespace

std::string wallpaperSetting() {
    auto settings = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(kHomeScreenSettingsFile));
    id value = settings ? settings->objectForKey("wallpaper") : id{};
    if (!isString(value) || !render::parseWallpaper(str(value))) return "dark";
    return str(value);
}

double meanLuminance(const CGImageRef& image, CGRect area, double screenWidth) {
    if (!image || image->width == 0 || screenWidth <= 0) return 0;
    double perPoint = static_cast<double>(image->width) / screenWidth;
    auto clampTo = [](double v, std::size_t limit) {
        return static_cast<std::size_t>(std::clamp(v, 0.0, static_cast<double>(limit)));
    };
    std::size_t x0 = clampTo(std::floor(CGRectGetMinX(area) * perPoint), image->width);
    std::size_t x1 = clampTo(std::ceil(CGRectGetMaxX(area) * perPoint), image->width);
    std::size_t y0 = clampTo(std::floor(CGRectGetMinY(area) * perPoint), image->height);
    std::size_t y1 = clampTo(std::ceil(CGRectGetMaxY(area) * perPoint), image->height);
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t y = y0; y < y1; ++y)
        for (std::size_t x = x0; x < x1; ++x) {
            const std::uint8_t* p = &image->rgba[(y * image->width + x) * 4];
            // Premultiplied over black, which is what shows behind a wallpaper.
            sum += (0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) / 255.0;
            ++count;
        }
    return count ? sum / static_cast<double>(count) : 0;
}

id legibilityPrimaryColor() {
    static const bool light = [] {
        const ui::DeviceProfile& p = ui::deviceProfile();
        auto wallpaper = render::parseWallpaper(wallpaperSetting()).value_or(render::Wallpaper::dark());
        // A small copy is enough to judge lightness.
        int width = std::max(1, static_cast<int>(p.screenWidth / 4));
        int height = std::max(1, static_cast<int>(p.screenHeight / 4));
        CGImageRef image = render::wallpaperImage(wallpaper, width, height);
        return meanLuminance(image, defaultDateTimeFrame(), p.screenWidth) > kLightWallpaper;
    }();
    return light ? ui::blackColor() : ui::whiteColor();
}

}  // namespace springboard
