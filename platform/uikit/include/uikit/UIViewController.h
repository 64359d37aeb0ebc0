// View controllers: a lazily loaded root view, appearance and layout
// notifications, child controllers.
#pragma once

#include <vector>

#include "uikit/SharedMessages.h"
#include "uikit/UIView.h"

class UIViewController : public rt::Object {
public:
    id view_;
    std::vector<id> children_;
    std::weak_ptr<rt::Object> parent_;
    bool loading_ = false;          // inside loadView / viewDidLoad
    bool appearing_ = false;        // direction of the appearance transition under way
};

namespace ui {

// view (uikit/SharedMessages.h): the first call sends loadView then viewDidLoad.
// loadView makes a plain UIView with the main screen's bounds (subclasses make
// their own and call setView:).
inline constinit const rt::Msg<void()> loadView{"loadView"};
inline constinit const rt::Msg<void(id)> setView{"setView:"};
inline constinit const rt::Msg<void()> viewDidLoad{"viewDidLoad"};
inline constinit const rt::Msg<bool()> isViewLoaded{"isViewLoaded"};
inline constinit const rt::Msg<id()> viewIfLoaded{"viewIfLoaded"};

// Appearance: a transition sends the will/did messages to the controller and then its children.
inline constinit const rt::Msg<void(bool)> viewWillAppear{"viewWillAppear:"};
inline constinit const rt::Msg<void(bool)> viewDidAppear{"viewDidAppear:"};
inline constinit const rt::Msg<void(bool)> viewWillDisappear{"viewWillDisappear:"};
inline constinit const rt::Msg<void(bool)> viewDidDisappear{"viewDidDisappear:"};
inline constinit const rt::Msg<void(bool, bool)> beginAppearanceTransition_animated{
    "beginAppearanceTransition:animated:"};
inline constinit const rt::Msg<void()> endAppearanceTransition{"endAppearanceTransition"};

// Sent around the root view's layoutSubviews by the layout pass.
inline constinit const rt::Msg<void()> viewWillLayoutSubviews{"viewWillLayoutSubviews"};
inline constinit const rt::Msg<void()> viewDidLayoutSubviews{"viewDidLayoutSubviews"};

inline constinit const rt::Msg<void(id)> addChildViewController{"addChildViewController:"};
inline constinit const rt::Msg<void()> removeFromParentViewController{"removeFromParentViewController"};
inline constinit const rt::Msg<id()> childViewControllers{"childViewControllers"};  // an NSArray
inline constinit const rt::Msg<id()> parentViewController{"parentViewController"};
inline constinit const rt::Msg<void(id)> willMoveToParentViewController{"willMoveToParentViewController:"};
inline constinit const rt::Msg<void(id)> didMoveToParentViewController{"didMoveToParentViewController:"};

}  // namespace ui
