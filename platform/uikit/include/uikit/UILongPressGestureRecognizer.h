// Long press: began when the finger has stayed down for minimumPressDuration
// (0.5 s, a one-shot run-loop timer, so a virtual clock drives it) within
// allowableMovement (10 points) of where it went down; a larger move before
// that fails it. After began every move is changed and the lift is ended.
#pragma once

#include "foundation/Timer.h"
#include "uikit/UIGestureRecognizer.h"

class UILongPressGestureRecognizer : public UIGestureRecognizer {
public:
    double minimumPressDuration_ = 0.5;
    double allowableMovement_ = 10;
    CGPoint start_;
    ns::Timer timer_;

    void touchBegan(const id& self, CGPoint p) override;
    void touchMoved(const id& self, CGPoint p) override;
    void touchEnded(const id& self, CGPoint p) override;
    void touchCancelled(const id& self) override;
    void reset() override;
    void fail() override;
};

namespace ui {
inline constinit const rt::Msg<double()> minimumPressDuration{"minimumPressDuration"};
inline constinit const rt::Msg<void(double)> setMinimumPressDuration{"setMinimumPressDuration:"};
inline constinit const rt::Msg<double()> allowableMovement{"allowableMovement"};
inline constinit const rt::Msg<void(double)> setAllowableMovement{"setAllowableMovement:"};
}  // namespace ui
