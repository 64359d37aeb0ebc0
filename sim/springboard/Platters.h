// Notification platters: the stock short-look view of each version (its
// header with the app's icon, its name in capitals and a time relative to
// the device's clock; the title and the body) on the lock screen's blurred
// material.
#pragma once

#include <string>

#include "SampleArt.h"
#include "foundation/Objects.h"

namespace springboard {

struct PlatterContent {
    AppIcon icon;
    std::string app, title, body;
    double postedAt = 0;  // seconds since 1970
};

// A platter showing the content, of the version's class.
id makePlatter(const PlatterContent& content);
// Places its parts for `width` and answers its height.
double layOutPlatter(const id& platter, double width);
// Its time afresh from the device's clock, and its preview shown or hidden as
// the lock state wants (the phone without a home button hides previews while
// locked).
void refreshPlatter(const id& platter);

// The version's heading over older notifications (11 groups them by date).
id makeSectionHeader(const std::string& title);

// Draws platters, their material and the headings' clear buttons.
void registerPlatterPainters();

}  // namespace springboard
