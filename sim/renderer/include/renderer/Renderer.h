// Draws the device's screen: wallpaper, status bar, the toolkit's windows and
// the alerts on top, at the device's scale, as the screen shows them at a
// given instant (running animations at their present value).
#pragma once

#include <cairo.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"
#include "renderer/Frame.h"
#include "renderer/Wallpaper.h"

namespace render {

// What the status bar shows. Classic bars carry the carrier and reception on
// the left, the time or the lock in the centre and the battery on the right;
// a screen with a sensor housing splits the bar into two ears beside it (the
// left one with the carrier, the right one with reception, Wi-Fi and battery).
struct StatusBarContent {
    bool visible = true;
    double housingWidth = 0;   // 0: a classic bar; else the ears beside a housing this wide
    enum class Centre { Time, Padlock, OpenPadlock, Nothing };
    Centre centre = Centre::Time;
    std::string carrier = "Orvelle";
    int signal = 4;             // bars of reception, 0 to 4
    bool signalDots = true;     // five dots (system 10) or four bars (system 11)
    bool wifi = true;
    std::string time;           // empty: the time at the render instant, "H:mm", in the process's zone
    double batteryLevel = 1.0;  // 0 to 1
    bool charging = false;
    bool batteryPercent = true; // the classic bar's "100%" beside the battery
};

struct RenderOptions {
    // Screen size in points and pixels per point; 0 takes the device profile's.
    double width = 0;
    double height = 0;
    double scale = 0;
    Wallpaper wallpaper = Wallpaper::dark();
    StatusBarContent statusBar;
    // The instant shown (seconds since 1970); nothing: ns::now().
    std::optional<double> now;
    // Views drawn over the wallpaper, in order, each at its frame; empty: every
    // visible window in the order they were shown.
    std::vector<id> roots;
    bool alerts = true;
};

Frame renderScreen(const RenderOptions& options);

// Draws one view and its subviews into a context whose user space is points in
// the coordinates of the view's superview. Hidden views and their subviews are
// skipped; alpha multiplies down the tree.
void drawViewTree(cairo_t* cr, const id& view, double now);

// Where the buttons of an alert are drawn on a screen of `width` x `height`
// points, in button order: what a finger on the screen taps.
std::vector<CGRect> alertButtonAreas(const id& alert, double width, double height);

}  // namespace render
