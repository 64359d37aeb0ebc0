// Pictures of the device's own making for its sample content: the icons of
// the apps whose notifications it shows and the cover of the track it plays.
#pragma once

#include "graphics/Image.h"

namespace springboard {

// Other: any app without a sample icon of its own.
enum class AppIcon { Messages, Calendar, Mail, Other };

// An app's icon, `points` square with the icon's rounded corners, at `scale`
// pixels a point. Made once per icon, size and scale.
CGImageRef appIconImage(AppIcon icon, double points, double scale);

// The sample track's cover: a gradient with a quaver, `points` square.
CGImageRef sampleArtworkImage(double points, double scale);

}  // namespace springboard
