// On/off switches.
#pragma once

#include "uikit/UIControl.h"

class UISwitch : public UIControl {
public:
    bool on_ = false;
    id onTintColor_;
};

// Methods: isOn (bool()), setOn: (void(bool)), setOn:animated: (void(bool, bool)),
// onTintColor, setOnTintColor: (id). A user toggle (ui::toggleSwitch) changes
// the value and sends UIControlEventValueChanged; setOn: sends nothing.

namespace ui {
inline bool isOn(const id& s) { return rt::send<bool()>(s, "isOn"); }
inline void setOn(const id& s, bool on) { rt::send<void(bool)>(s, "setOn:", on); }
// As the user's tap: flips the value and sends the value-changed actions.
void toggleSwitch(const id& s);
}  // namespace ui
