// How the media controls look: 10's controls on the lock screen's material,
// the scrubber, the transport and the volume, in dark ink on the material.
#include <algorithm>

#include "HostClass.h"
#include "LockScreenFigures.h"
#include "MediaControls.h"
#include "renderer/Glyphs.h"
#include "renderer/Material.h"
#include "renderer/ViewPainters.h"

namespace springboard {

namespace {

constexpr double kInk = 0.85;   // of black, on the light material
constexpr double kVolume = 0.6;  // where the volume stands

void ink(cairo_t* cr, double alpha) { cairo_set_source_rgba(cr, 0, 0, 0, alpha); }

// A slider's track from x0 to x1 at `y`, filled up to `share`, with its knob.
void slider(cairo_t* cr, double x0, double x1, double y, double share, double knob, double alpha) {
    const double at = x0 + (x1 - x0) * std::clamp(share, 0.0, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3);
    ink(cr, 0.18 * alpha);
    cairo_move_to(cr, x0, y);
    cairo_line_to(cr, x1, y);
    cairo_stroke(cr);
    ink(cr, 0.6 * alpha);
    cairo_move_to(cr, x0, y);
    cairo_line_to(cr, at, y);
    cairo_stroke(cr);
    ink(cr, kInk * alpha);
    cairo_arc(cr, at, y, knob / 2, 0, 2 * M_PI);
    cairo_fill(cr);
}

void paintControls(cairo_t* cr, const id&, CGSize size, double alpha) {
    render::Material m;
    m.cornerRadius = figures().cornerRadius;
    m.tint[3] = 0.72;
    render::paintMaterial(cr, CGRect{{0, 0}, size}, m, alpha);
}

void paintTime(cairo_t* cr, const id&, CGSize size, double alpha) {
    slider(cr, 0, size.width, size.height / 2, mediaElapsed() / sampleTrack().duration, 7, alpha);
}

void paintTransport(cairo_t* cr, const id&, CGSize size, double alpha) {
    ink(cr, kInk * alpha);
    const double s = size.height * 0.8, y = (size.height - s) / 2;
    render::paintTransport(cr, CGRect{{0, y + s * 0.1}, {s * 0.8, s * 0.8}}, render::Transport::Backward);
    render::paintTransport(cr, CGRect{{size.width / 2 - s / 2, y}, {s, s}}, render::Transport::Pause);
    render::paintTransport(cr, CGRect{{size.width - s * 0.8, y + s * 0.1}, {s * 0.8, s * 0.8}}, render::Transport::Forward);
}

void paintVolume(cairo_t* cr, const id&, CGSize size, double alpha) {
    const double s = size.height;
    ink(cr, 0.55 * alpha);
    render::paintSpeaker(cr, CGRect{{0, 0}, {s, s}}, 0);
    render::paintSpeaker(cr, CGRect{{size.width - s, 0}, {s, s}}, 3);
    slider(cr, s + 8, size.width - s - 8, s / 2, kVolume, 14, alpha);
}

}  // namespace

void registerMediaPainters() {
    render::registerViewPainter("MPULockScreenMediaControlsView", paintControls);
    render::registerViewPainter("MediaControlsTimeControl", paintTime);
    render::registerViewPainter("MediaControlsTransportStackView", paintTransport);
    render::registerViewPainter("MediaControlsVolumeContainerView", paintVolume);
}

std::vector<HostClass> mediaClasses() {
    return {
        {"MPULockScreenMediaControlsView", "UIView", {}, {}, kBefore11},
        {"MediaControlsPanelView", "MTPlatterView", {}, {}, kFrom11},
        {"MediaControlsTimeControl", "UIView", {}, {}},
        {"MediaControlsTransportStackView", "UIView", {}, {}},
        {"MediaControlsVolumeContainerView", "UIView", {}, {}},
    };
}

}  // namespace springboard
