// Smaller parts of the lock screen: the media artwork
// (SBDashBoardMediaArtworkView, a UIView: didMoveToWindow, removeFromSuperview),
// the call-to-action text at the bottom (SBUICallToActionLabel, a UIView) and
// the policies that allow the today view (SBPolicyAggregator and, from version
// 11, SBMainDisplayPolicyAggregator).
#pragma once

#include "foundation/Objects.h"

namespace host {

// SBUICallToActionLabel
inline constinit const rt::Msg<void(id text, id language, bool animated)> setText_forLanguage_animated{
    "setText:forLanguage:animated:"};
inline constinit const rt::Msg<id()> text{"text"};

// The policies: may the lock screen offer its today view; a refusal may leave
// an explanation behind the pointer.
inline constinit const rt::Msg<bool(id* explanation)> _allowsCapabilityLockScreenTodayViewWithExplanation{
    "_allowsCapabilityLockScreenTodayViewWithExplanation:"};

}  // namespace host
