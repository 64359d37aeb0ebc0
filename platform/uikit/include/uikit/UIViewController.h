// View controllers: a lazily loaded root view, appearance and layout
// notifications, child controllers.
#pragma once

#include <vector>

#include "uikit/UIView.h"

class UIViewController : public rt::Object {
public:
    id view_;
    std::vector<id> children_;
    std::weak_ptr<rt::Object> parent_;
    bool loading_ = false;          // inside loadView / viewDidLoad
    bool appearing_ = false;        // direction of the appearance transition under way
};

// Methods:
//   init (id()); view (id()): the first call sends loadView then viewDidLoad;
//   loadView: a plain UIView with the main screen's bounds (subclasses make their own
//   and call setView:); viewDidLoad; isViewLoaded (bool()); viewIfLoaded (id()); setView: (id)
//   viewWillAppear:, viewDidAppear:, viewWillDisappear:, viewDidDisappear: (void(bool))
//   beginAppearanceTransition:animated: (void(bool, bool)), endAppearanceTransition:
//   send the will/did messages to the controller and then its children
//   viewWillLayoutSubviews, viewDidLayoutSubviews: sent around the root view's
//   layoutSubviews by the layout pass
//   addChildViewController:, removeFromParentViewController, childViewControllers (id():
//   an NSArray), parentViewController (id()), willMoveToParentViewController:,
//   didMoveToParentViewController: (void(id))

namespace ui {
inline id view(const id& vc) { return rt::send<id()>(vc, "view"); }
inline void addChildViewController(const id& vc, const id& child) {
    rt::send<void(id)>(vc, "addChildViewController:", child);
}
inline void beginAppearance(const id& vc, bool appearing, bool animated) {
    rt::send<void(bool, bool)>(vc, "beginAppearanceTransition:animated:", appearing, animated);
}
inline void endAppearance(const id& vc) { rt::send<void()>(vc, "endAppearanceTransition"); }
}  // namespace ui
