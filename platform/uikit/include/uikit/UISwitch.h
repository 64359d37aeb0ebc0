// On/off switches.
#pragma once

#include "uikit/UIControl.h"

class UISwitch : public UIControl {
public:
    bool on_ = false;
    id onTintColor_;
};

namespace ui {

// setOn: sends nothing; a user toggle (ui::toggleSwitch) changes the value and
// sends UIControlEventValueChanged.
inline constinit const rt::Msg<bool()> isOn{"isOn"};
inline constinit const rt::Msg<void(bool)> setOn{"setOn:"};
inline constinit const rt::Msg<void(bool, bool)> setOn_animated{"setOn:animated:"};
inline constinit const rt::Msg<id()> onTintColor{"onTintColor"};
inline constinit const rt::Msg<void(id)> setOnTintColor{"setOnTintColor:"};

// As the user's tap: flips the value and sends the value-changed actions.
void toggleSwitch(const id& s);
}  // namespace ui
