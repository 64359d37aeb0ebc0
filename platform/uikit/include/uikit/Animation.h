// View animations. +[UIView animateWithDuration:animations:] runs the block at
// once, so model values change at once; for every animatable property changed
// inside it (alpha, frame, bounds, center, backgroundColor) the toolkit records
// a timed animation from the value shown at that moment to the new one, which
// the renderer reads as the view's present look. A duration <= 0 records
// nothing. The blocks are std::function values.
#pragma once

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "graphics/Geometry.h"
#include "uikit/UIView.h"

namespace ui {

struct RGBA {
    double r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const RGBA&, const RGBA&) = default;
};
using AnimatedValue = std::variant<double, CGRect, CGPoint, RGBA>;

struct AnimationRecord {
    std::weak_ptr<rt::Object> view;
    std::string property;  // "alpha", "frame", "bounds", "center", "backgroundColor"
    AnimatedValue from;
    AnimatedValue to;
    double start = 0;      // ns::now() when recorded
    double duration = 0;
};

inline constinit const rt::ClassMsg<void(double, std::function<void()>)> animateWithDuration_animations{
    "UIView", "animateWithDuration:animations:"};
// The completion runs from the run loop when the animation has ended (duration
// <= 0: at the next pass), never inside the call; `finished` is NO when a later
// animation of the same property took over.
inline constinit const rt::ClassMsg<void(double, std::function<void()>, std::function<void(bool)>)>
    animateWithDuration_animations_completion{"UIView", "animateWithDuration:animations:completion:"};

// Animations recorded and not yet pruned, oldest first.
const std::vector<AnimationRecord>& animations();
// Drops animations that ended by `now` or whose view is gone.
void pruneAnimations(double now);
// Whether a property of the view is animating at `now`.
bool isAnimating(const id& view, const std::string& property, double now);

// The value the view shows at `now` (ease-in-ease-out between from and to;
// the model value once every animation of that property has ended).
double presentationAlpha(const id& view, double now);
CGRect presentationFrame(const id& view, double now);
CGPoint presentationCenter(const id& view, double now);
RGBA presentationBackgroundColor(const id& view, double now);  // all 0 for no colour

}  // namespace ui
