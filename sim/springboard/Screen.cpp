#include "Screen.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "Legibility.h"
#include "renderer/Renderer.h"

namespace springboard {

render::Frame renderScreenNow() {
    render::RenderOptions options;
    options.wallpaper = render::parseWallpaper(wallpaperSetting()).value_or(render::Wallpaper::dark());
    return render::renderScreen(options);
}

namespace {

std::string requirePath(const std::string& path, const char* command) {
    if (path.empty() || path.front() != '/')
        throw std::runtime_error(std::string("usage: ") + command + " PATH (an absolute path)");
    return path;
}

// The pixels of the last live frame, so an unchanged screen costs no encoding.
struct LiveFrames {
    std::vector<unsigned char> last;
    unsigned long long serial = 0;
};

LiveFrames& liveFrames() {
    static LiveFrames frames;
    return frames;
}

}  // namespace

std::string screenshotCommand(const std::string& path) {
    render::Frame frame = renderScreenNow();
    std::string error = frame.writePNG(requirePath(path, "screenshot"));
    if (!error.empty()) throw std::runtime_error(error);
    return "ok";
}

std::string frameCommand(const std::string& path) {
    requirePath(path, "frame");
    render::Frame frame = renderScreenNow();
    if (frame.empty()) throw std::runtime_error("the screen has no pixels");
    cairo_surface_t* surface = frame.surface();
    const auto* pixels = cairo_image_surface_get_data(surface);
    std::size_t size = static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) * frame.height();
    LiveFrames& live = liveFrames();
    if (live.serial > 0 && live.last.size() == size && std::memcmp(live.last.data(), pixels, size) == 0)
        return "same " + std::to_string(live.serial);

    std::string error = frame.writePNG(path, true);
    if (!error.empty()) throw std::runtime_error(error);
    live.last.assign(pixels, pixels + size);
    return "new " + std::to_string(++live.serial);
}

}  // namespace springboard
