#include "Screen.h"

#include <stdexcept>

#include "Legibility.h"
#include "LockScreenControls.h"
#include "MediaControls.h"
#include "Platters.h"
#include "StatusBarState.h"
#include "renderer/Renderer.h"
#include "renderer/ViewPainters.h"

namespace springboard {

void registerLockScreenPainters() {
    static const bool registered = [] {
        registerPlatterPainters();
        registerMediaPainters();
        registerControlPainters();
        return true;
    }();
    (void)registered;
}

render::Frame renderScreenNow(double scale) {
    registerLockScreenPainters();
    // A new wallpaper restarts the home screen: its setting is read once.
    static const render::Wallpaper wallpaper =
        render::parseWallpaper(wallpaperSetting()).value_or(render::Wallpaper::dark());
    render::RenderOptions options;
    options.scale = scale;
    options.wallpaper = wallpaper;
    options.statusBar = statusBarContent();
    return render::renderScreen(options);
}

namespace {

std::string requirePath(const std::string& path, const char* command) {
    if (path.empty() || path.front() != '/')
        throw std::runtime_error(std::string("usage: ") + command + " PATH (an absolute path)");
    return path;
}

}  // namespace

std::string screenshotCommand(const std::string& path) {
    render::Frame frame = renderScreenNow();
    ns::Result<> written = frame.writePNG(requirePath(path, "screenshot"));
    if (!written) throw std::runtime_error(written.reason());
    return "ok";
}

}  // namespace springboard
