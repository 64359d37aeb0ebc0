#include "MediaControls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Geometry.h"
#include "LockScreen.h"
#include "LockScreenFigures.h"
#include "SampleArt.h"
#include "foundation/RunLoop.h"
#include "host/DashBoard.h"
#include "renderer/FontMap.h"
#include "uikit/UIColor.h"
#include "uikit/UIDevice.h"
#include "uikit/UIFont.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

enum Tag : long { kTitle = 1, kArtist, kTime, kElapsed, kRemaining, kTransport, kVolume };

struct Playing {
    double startedAt = 0;  // the instant the track was at 0
    id artwork;            // SBDashBoardMediaArtworkView
    id controls;           // 10: under the artwork; 11: the card
    id tick;               // the times' timer
};
Playing& playing() {
    static auto* p = new Playing;  // lives as long as the process, as its views do
    return *p;
}

// Playing starts this far into the track (a scrubber at its start shows nothing).
constexpr double kStartAt = 72;
constexpr const char* kText = ".SFUIText";
constexpr const char* kBold = ".SFUIText-Semibold";

bool eleven() { return std::atoi(ui::deviceProfile().systemVersion.c_str()) >= 11; }

id tagged(const id& view, long tag) {
    for (const id& sub : ui::subviews(view))
        if (ui::tag(sub) == tag) return sub;
    return {};
}

id label(long tag, const char* font, double size, double alpha, long alignment) {
    id l = ui::makeLabel();
    ui::setTag(l, tag);
    ui::setFont(l, ui::fontWithName_size(NSStr(font), size));
    ui::setTextColor(l, ui::colorWithWhite_alpha(0, alpha));
    ui::setTextAlignment(l, alignment);
    return l;
}

id part(const char* cls, long tag) {
    id v = ui::makeView(rt::objc_getClass(cls), CGRectZero);
    ui::setTag(v, tag);
    return v;
}

std::string minutes(double seconds) {
    int s = static_cast<int>(std::floor(seconds));
    return format("%d:%02d", s / 60, s % 60);
}

void showTimes() {
    const id& controls = playing().controls;
    if (!controls) return;
    double elapsed = mediaElapsed();
    ui::setText(tagged(controls, kElapsed), NSStr(minutes(elapsed)));
    ui::setText(tagged(controls, kRemaining), NSStr("-" + minutes(sampleTrack().duration - elapsed)));
}

// The parts both versions share: title, artist, the scrubber with its times,
// the transport and the volume.
void addParts(const id& controls) {
    const SampleTrack& t = sampleTrack();
    id title = label(kTitle, kBold, 15, 0.9, NSTextAlignmentCenter);
    ui::setText(title, NSStr(t.title));
    id artist = label(kArtist, kText, 15, 0.55, NSTextAlignmentCenter);
    ui::setText(artist, NSStr(t.artist + " \u2014 " + t.album));
    for (const id& v : {title, artist, part("MediaControlsTimeControl", kTime),
                        label(kElapsed, kText, 12, 0.55, NSTextAlignmentLeft),
                        label(kRemaining, kText, 12, 0.55, NSTextAlignmentRight),
                        part("MediaControlsTransportStackView", kTransport), part("MediaControlsVolumeContainerView", kVolume)})
        ui::addSubview(controls, v);
}

// The parts from `top` down a box `width` wide; the 11 card's title sits
// beside its artwork, so it starts lower and aligns left.
void placeParts(const id& c, double top, double width, double titleX) {
    const double inset = 16, text = render::lineMetrics(kText, 15).height, small = render::lineMetrics(kText, 12).height;
    double y = top;
    if (titleX > 0) {
        ui::setFrame(tagged(c, kTitle), CGRectMake(titleX, 20, width - titleX - inset, text));
        ui::setFrame(tagged(c, kArtist), CGRectMake(titleX, 20 + text, width - titleX - inset, text));
        ui::setTextAlignment(tagged(c, kTitle), NSTextAlignmentLeft);
        ui::setTextAlignment(tagged(c, kArtist), NSTextAlignmentLeft);
    }
    ui::setFrame(tagged(c, kTime), CGRectMake(inset, y, width - 2 * inset, 10));
    ui::setFrame(tagged(c, kElapsed), CGRectMake(inset, y + 10, 60, small));
    ui::setFrame(tagged(c, kRemaining), CGRectMake(width - inset - 60, y + 10, 60, small));
    y += 10 + small + 2;
    if (titleX <= 0) {
        ui::setFrame(tagged(c, kTitle), CGRectMake(inset, y, width - 2 * inset, text));
        ui::setFrame(tagged(c, kArtist), CGRectMake(inset, y + text, width - 2 * inset, text));
        y += 2 * text + 4;
    }
    ui::setFrame(tagged(c, kTransport), CGRectMake(width / 2 - 90, y, 180, 34));
    y += 34 + 8;
    ui::setFrame(tagged(c, kVolume), CGRectMake(inset, y, width - 2 * inset, 18));
}

}  // namespace

const SampleTrack& sampleTrack() {
    static const SampleTrack track{"Harbour Lights", "The Orvelle Trio", "Evening Tides", 222};
    return track;
}

double mediaElapsed() {
    if (!playing().controls) return 0;
    return std::fmod(std::max(0.0, ns::now() - playing().startedAt), sampleTrack().duration);
}

id mediaCard() { return eleven() ? playing().controls : id{}; }

id showMediaControls() {
    LockScreen& ls = lockScreen();
    const LockScreenFigures& f = figures();
    const double scale = ui::deviceProfile().scale;
    Playing& p = playing();
    p.startedAt = ns::now() - kStartAt;
    id page = ui::viewIfLoaded(ls.page);
    id artwork;
    if (eleven()) {
        // The card heads the list; its artwork arrives in the window with it.
        p.controls = ui::makeView(rt::objc_getClass("MediaControlsPanelView"), CGRectZero);
        artwork = ui::makeView(rt::objc_getClass("SBDashBoardMediaArtworkView"),
                               CGRectMake(14, 14, f.miniArtworkSize, f.miniArtworkSize));
        addParts(p.controls);
        ui::addSubview(p.controls, artwork);
        id list = ls.page ? ui::viewIfLoaded(host::combinedListViewController(ls.page)) : id{};
        if (list) ui::insertSubview_atIndex(list, p.controls, 0);
    } else {
        // As large as the screen allows above the controls and the call to action.
        const ui::DeviceProfile& d = ui::deviceProfile();
        const double top = CGRectGetMaxY(defaultDateTimeFrame()) + kListGap;
        const double room = d.screenHeight - f.screen.callToActionBaseline - 2 * f.callToActionSize - f.mediaControlsHeight -
                            f.platterGap - top;
        const double side = std::round(std::min({d.screenWidth * f.artworkShare, f.artworkMax, room}));
        artwork = ui::makeView(rt::objc_getClass("SBDashBoardMediaArtworkView"),
                               CGRectMake((d.screenWidth - side) / 2, top, side, side));
        p.controls = ui::makeView(rt::objc_getClass("MPULockScreenMediaControlsView"), CGRectZero);
        addParts(p.controls);
        ui::addSubview(page, artwork);
        ui::addSubview(page, p.controls);
    }
    p.artwork = artwork;
    // The cover is an image view inside the artwork view, as large as it.
    id cover = ui::makeImageView(ui::bounds(artwork));
    ui::setImage(cover, ui::imageWithCGImage(sampleArtworkImage(ui::bounds(artwork).size.width, scale)));
    ui::addSubview(artwork, cover);
    layOutMediaControls();
    showTimes();
    p.tick = ns::scheduledTimer(1, true, [](const id&) { showTimes(); }, "the media controls' times");
    return artwork;
}

void hideMediaControls() {
    Playing& p = playing();
    if (p.artwork) ui::removeFromSuperview(p.artwork);
    if (p.controls) ui::removeFromSuperview(p.controls);
    if (p.tick) ns::invalidate(p.tick);
    p = {};
}

std::optional<double> mediaBottom() {
    const Playing& p = playing();
    if (eleven() || !p.controls || !ui::superview(p.controls)) return std::nullopt;
    return CGRectGetMaxY(ui::frame(p.controls));
}

void layOutMediaControls() {
    const Playing& p = playing();
    if (!p.controls) return;
    const LockScreenFigures& f = figures();
    const double screen = ui::deviceProfile().screenWidth;
    double width = screen - 2 * f.platterMargin;
    if (f.tablet) width = std::min(width, f.tabletListWidth);
    if (eleven()) {
        // The list stacks the card; its insides go under the artwork's row.
        CGRect frame = ui::frame(p.controls);
        ui::setFrame(p.controls, CGRectMake(frame.origin.x, frame.origin.y, width, f.mediaCardHeight));
        placeParts(p.controls, 14 + f.miniArtworkSize + 12, width, 14 + f.miniArtworkSize + 12);
        return;
    }
    CGRect art = ui::frame(p.artwork);
    ui::setFrame(p.controls, CGRectMake((screen - width) / 2, CGRectGetMaxY(art) + f.platterGap, width, f.mediaControlsHeight));
    placeParts(p.controls, 14, width, 0);
}

}  // namespace springboard
