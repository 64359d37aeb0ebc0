// The lock screen's controllers and views: the dashboard
// (SBDashBoardViewController), its main page
// (SBDashBoardMainPageContentViewController: loadView, viewDidLoad,
// viewWillAppear:, viewDidLayoutSubviews), the notification list
// (SBDashBoardNotificationListViewController), the modal view that knows the
// default date-time place (SBDashBoardModalView) and the view that lets touches
// through to its subviews (SBFTouchPassThroughView, a UIView).
#pragma once

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace host {

// SBDashBoardViewController, version 11 and later: where the notification list begins.
inline constinit const rt::Msg<double()> listMinY{"listMinY"};
// SBDashBoardNotificationListViewController, before version 11: the list's whole rectangle.
inline constinit const rt::Msg<CGRect()> _suggestedListViewFrame{"_suggestedListViewFrame"};
// SBDashBoardMainPageContentViewController: the notification list's controller.
inline constinit const rt::Msg<id()> combinedListViewController{"combinedListViewController"};
// SBDashBoardModalView: the stock date view's default frame.
inline constinit const rt::Msg<CGRect()> _dateTimeFrame{"_dateTimeFrame"};

}  // namespace host
