// Pan: began once the finger has moved more than 10 points from where it went
// down; then every move is changed and the lift is ended. translationInView:
// is cumulative: the finger's movement since it went down (so a view moved by
// it follows the finger exactly), less what setTranslation:inView: took away.
// Views here are untransformed, so the vector is the same in every view.
#pragma once

#include "uikit/UIGestureRecognizer.h"

class UIPanGestureRecognizer : public UIGestureRecognizer {
public:
    double threshold_ = 10;
    CGPoint start_;     // where the finger went down
    CGPoint baseline_;  // the finger position at which the translation reads zero

    void touchBegan(const id& self, CGPoint p) override;
    void touchMoved(const id& self, CGPoint p) override;
    void touchEnded(const id& self, CGPoint p) override;
    void touchCancelled(const id& self) override;
    void reset() override;
};

namespace ui {
inline constinit const rt::Msg<CGPoint(id)> translationInView{"translationInView:"};
inline constinit const rt::Msg<void(CGPoint, id)> setTranslation_inView{"setTranslation:inView:"};
}  // namespace ui
