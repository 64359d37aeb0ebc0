// The lock screen's life in the home-screen process. After the application
// has finished launching (and every add-on has had its say), the host makes
// the stock date-view controller, the dashboard with its main page (whose view
// loads then), puts them in the lock screen's window and shows it; layout
// passes follow on the run loop. Media, the today page and touches come from
// the control socket.
#pragma once

#include <optional>

#include "LockState.h"
#include "foundation/Objects.h"
#include "foundation/Timer.h"
#include "graphics/Geometry.h"

namespace springboard {

struct LockScreen {
    id window;
    id dashboard;       // SBDashBoardViewController, the window's root
    id page;            // SBDashBoardMainPageContentViewController
    id dateController;  // SBLockScreenDateViewController
    id callToAction;    // SBUICallToActionLabel
    id proudLock;       // SBUIProudLockIconView on the phone without a home button
    id artwork;         // SBDashBoardMediaArtworkView while media plays
    id todayView;       // the today page while it is open
    ns::Timer minute;   // the stock date's and the notifications' minute
};

// The lock screen of this process (empty before startLockScreen): a part of
// the process, so a test's fresh process state has a fresh one.
LockScreen& lockScreen();

// Builds and shows the lock screen, in the device's order.
void startLockScreen();

// The banner of a home screen started without tweaks after crashes, over the
// lock screen's top; `culprits` are the libraries to blame ("-" when unknown).
void showSafeModeBanner(const std::string& culprits);

// The stock halves of the page controller's methods.
void fillMainPage(const id& page);    // loadView: date view, list, call-to-action
void layOutMainPage(const id& page);  // viewDidLayoutSubviews: date view, list

// Where the host puts the list when nobody says otherwise: under the date and
// time, or on 10 under the media artwork and its controls while media plays.
CGRect hostListFrame();
// The list's frame as placed last; nothing before the page has a list.
std::optional<CGRect> notificationListFrame();

// The device's clock was set or stepped: the stock date view and the
// notifications (their times and their grouping) read it afresh.
void clockMoved();

// Media in another process starts or stops: the artwork comes or goes.
void setMediaPlaying(bool playing);

// The user tries to open the today page: the policy decides. Answers whether
// it opened (it stays open until closeTodayView).
bool openTodayView();
void closeTodayView();

}  // namespace springboard
