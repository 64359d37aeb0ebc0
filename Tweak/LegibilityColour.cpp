#include "Tweak/LegibilityColour.h"

#include "OVClockViewController.h"
#include "Settings.h"
#include "host/DateView.h"

namespace orvelle {

void followLegibilityColour(const id& dateController, const id& panel) {
    if (!dateController || boolEntry(readSettings(), "disAutoBW")) return;
    adjustColor(panel, host::primaryColor(host::legibilitySettings(dateController)));
}

}  // namespace orvelle
