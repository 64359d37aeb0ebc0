// Windows: the roots of view trees, one of them the key window.
#pragma once

#include "uikit/UIView.h"

class UIWindow : public UIView {
public:
    id rootViewController_;
    bool visible_ = false;
};

// Methods: makeKeyAndVisible, makeKeyWindow, isKeyWindow (bool()),
// rootViewController, setRootViewController: (id): the controller's view is
// sized to the window and becomes its only controller view; when the window is
// visible the controller gets viewWillAppear:/viewDidAppear:.
// A window is its own `window`.

namespace ui {
inline id makeWindow(CGRect frame) { return makeView(rt::objc_getClass("UIWindow"), frame); }
inline void makeKeyAndVisible(const id& w) { rt::send<void()>(w, "makeKeyAndVisible"); }
inline void setRootViewController(const id& w, const id& vc) { rt::send<void(id)>(w, "setRootViewController:", vc); }
// The key window, or nothing.
id keyWindow();
// Every window made visible and not yet released, in the order they were shown.
std::vector<id> windows();
}  // namespace ui
