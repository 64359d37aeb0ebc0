#include "LockScreenFigures.h"

#include <cmath>
#include <string>

#include "wire/DeviceModels.h"
#include "uikit/UIDevice.h"

namespace springboard {

namespace {

// Clock, date and call to action per screen class: measured on the systems
// that followed 11 and kept its lock screen, so measured for 11 and assumed
// the same for 10 (no measurement of 10's clock was found). The tablets'
// call to action stands higher in portrait.
constexpr ScreenFigures kScreens[] = {
    {320, 568, 70, 21, 140, 176, 36},
    {375, 667, 76, 22, 140, 176, 36},
    {414, 736, 90, 22, 154, 190, 36},
    {375, 812, 76, 22, 176, 212, 36},
    {768, 1024, 106, 22, 166, 206, 46},
    {834, 1112, 106, 22, 166, 206, 46},
    {1024, 1366, 116, 22, 196, 242, 46},
};

const ScreenFigures& screenFigures(bool tablet, double width, double height) {
    for (const ScreenFigures& s : kScreens)
        if (s.width == width && s.height == height) return s;
    // A size outside the table: the nearest class of its kind by width.
    const ScreenFigures* best = tablet ? &kScreens[4] : &kScreens[1];
    for (const ScreenFigures& s : kScreens)
        if ((s.width >= 768) == tablet && std::fabs(s.width - width) < std::fabs(best->width - width)) best = &s;
    return *best;
}

}  // namespace

LockScreenFigures figuresFor(const char* model, double width, double height) {
    LockScreenFigures f;
    f.tablet = std::string(model).rfind("iPad", 0) == 0;
    f.screen = screenFigures(f.tablet, width, height);
    if (const sim::Screen* s = sim::findScreen(f.tablet ? "iPad" : "iPhone", width, height)) {
        f.homeButton = s->homeButton;
        f.statusBarHeight = s->statusBarHeight;
        f.housingWidth = s->housing.width;
        f.housingHeight = s->housing.height;
    }
    return f;
}

const LockScreenFigures& figures() {
    // Worked out again only when the device's profile changes (tests set it anew).
    static LockScreenFigures kept;
    static ui::DeviceProfile of;
    static bool made = false;
    const ui::DeviceProfile& p = ui::deviceProfile();
    if (!made || p.model != of.model || p.screenWidth != of.screenWidth || p.screenHeight != of.screenHeight ||
        p.statusBarHeight != of.statusBarHeight) {
        kept = figuresFor(p.model.c_str(), p.screenWidth, p.screenHeight);
        // The toolkit's own height, which the device's table gave it at start.
        kept.statusBarHeight = p.statusBarHeight;
        of = p;
        made = true;
    }
    return kept;
}

}  // namespace springboard
