// Controls: views that send actions to targets for control events.
#pragma once

#include <vector>

#include "uikit/SharedMessages.h"
#include "uikit/UIView.h"

enum UIControlEvents : unsigned long {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventValueChanged = 1 << 12,
};

class UIControl : public UIView {
public:
    struct Target {
        std::weak_ptr<rt::Object> target;
        SEL action = nullptr;
        unsigned long events = 0;
    };
    std::vector<Target> targets_;
    bool enabled_ = true;
};

namespace ui {

// Targets are held weakly, as on the device. Also isEnabled and setEnabled: (uikit/SharedMessages.h).
inline constinit const rt::Msg<void(id, SEL, unsigned long)> addTarget_action_forControlEvents{
    "addTarget:action:forControlEvents:"};
inline constinit const rt::Msg<void(unsigned long)> sendActionsForControlEvents{"sendActionsForControlEvents:"};

}  // namespace ui
