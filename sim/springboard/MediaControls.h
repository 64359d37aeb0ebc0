// What the lock screen shows while media plays in another process: on 10 a
// large artwork with the controls under it, on 11 a compact card at the head
// of the notification list, under the date, with a miniature artwork. The
// sample track is of the device's own making. Either way the artwork view
// (SBDashBoardMediaArtworkView) comes into the window when playing starts and
// leaves by its own removeFromSuperview when it stops, the moments add-ons
// hook.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "HostClass.h"
#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace springboard {

struct SampleTrack {
    std::string title, artist, album;
    double duration;  // seconds
};
const SampleTrack& sampleTrack();

// Seconds into the track now (0 when nothing plays).
double mediaElapsed();

// Shows the version's media controls; answers the artwork view.
id showMediaControls();
// Takes them away: the artwork first, by its own removeFromSuperview.
void hideMediaControls();
// Where the list must begin under 10's artwork and controls (page
// coordinates, without the gap); nothing on 11, whose card is in the list,
// or when nothing plays.
std::optional<double> mediaBottom();
// The card at the head of the list on 11, to stack with the platters.
id mediaCard();
// Places the media's parts (10: in the page; 11: the card's insides).
void layOutMediaControls();

void registerMediaPainters();

}  // namespace springboard
