// Windows: the roots of view trees, one of them the key window.
#pragma once

#include "uikit/UIView.h"

class UIWindow : public UIView {
public:
    id rootViewController_;
    bool visible_ = false;
};

namespace ui {

inline constinit const rt::Msg<void()> makeKeyAndVisible{"makeKeyAndVisible"};
inline constinit const rt::Msg<void()> makeKeyWindow{"makeKeyWindow"};
inline constinit const rt::Msg<bool()> isKeyWindow{"isKeyWindow"};
// The controller's view is sized to the window and becomes its only controller
// view; when the window is visible the controller gets viewWillAppear:/viewDidAppear:.
inline constinit const rt::Msg<id()> rootViewController{"rootViewController"};
inline constinit const rt::Msg<void(id)> setRootViewController{"setRootViewController:"};
// A window is its own `window`.

inline id makeWindow(CGRect frame) { return makeView(rt::objc_getClass("UIWindow"), frame); }
// The key window, or nothing.
id keyWindow();
// Every window made visible and not yet released, in the order they were shown.
std::vector<id> windows();
}  // namespace ui
