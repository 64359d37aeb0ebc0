// Messages that unrelated toolkit classes answer with one signature.
#pragma once

#include "foundation/Objects.h"

namespace ui {

// A controller's root view (loaded on first use); a gesture recogniser's view.
inline constinit const rt::Msg<id()> view{"view"};
// A screen's or an image's points-to-pixels factor.
inline constinit const rt::Msg<double()> scale{"scale"};
// Controls and gesture recognisers; disabling a recogniser cancels its gesture.
inline constinit const rt::Msg<bool()> isEnabled{"isEnabled"};
inline constinit const rt::Msg<void(bool)> setEnabled{"setEnabled:"};
// An alert's or the application's delegate.
inline constinit const rt::Msg<id()> delegate{"delegate"};
// Colours and fonts: equal components, equal name and size.
inline constinit const rt::Msg<bool(id)> isEqual{"isEqual:"};

}  // namespace ui
