// Whether the clock panel is on this home screen's lock screen, and when it
// is not, why, in words the Settings side and the Tweaks panel can show: the
// loader may have skipped its library, the home screen may run without
// tweaks, or the tweak may have chosen not to start (it never runs on an
// iPad, and not with its master switch off).
#pragma once

#include <string>
#include <vector>

#include "substrate/Loader.h"

namespace springboard {

struct PanelStatus {
    bool shown = false;
    std::string reason;  // "shown", or why not
};

// The panel's library as its package installs it.
inline constexpr const char* kPanelLibrary = "OrvelleiOS10.dylib";
inline constexpr const char* kPanelSettingsFile = "/var/mobile/Library/Preferences/com.tovik.orvelle.plist";

// Judged from the loader's decisions of this start, the device and the
// tweak's settings, and the hooks the process holds.
PanelStatus judgePanel(const std::vector<substrate::LoadOutcome>& loaded, bool safeMode);

// What the home screen recorded at its start (once the loader has run), for
// whoever asks later; before that, nothing was recorded.
void recordPanelStatus(const std::vector<substrate::LoadOutcome>& loaded, bool safeMode);
PanelStatus panelStatus();

}  // namespace springboard
