// The one-time notice shown at the first home-screen start after an update.
#pragma once

#include <string>
#include <vector>

#include "Tweak/HookTable.h"
#include "foundation/Objects.h"

namespace orvelle {

extern const Hook kApplicationDidFinishLaunching;

// Added to the application and observed for kShowConfigWindowNow, which
// nothing posts: a stray post does nothing.
inline constinit const rt::Msg<void()> showConfigWindowNow{"showConfigWindowNow"};

// The files the removal of older markers takes: every name in the preferences
// folder that begins with the old marker prefix, or the pattern itself when
// nothing matches (as a shell leaves it).
std::vector<std::string> olderMarkers(const std::string& folder);

}  // namespace orvelle
