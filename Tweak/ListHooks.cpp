#include "Tweak/ListHooks.h"

#include "Settings.h"
#include "Tweak/HostState.h"
#include "Tweak/System.h"
#include "foundation/Log.h"
#include "OVClockViewController.h"
#include "graphics/Geometry.h"
#include "uikit/UIApplication.h"
#include "uikit/UIScreen.h"

namespace orvelle {

namespace {

double (*stockListMinY)(id, SEL) = nullptr;
CGRect (*stockSuggestedListViewFrame)(id, SEL) = nullptr;

// The pid is asked first; whether it plays only when there is one.
bool nowPlaying() {
    id app = ui::sharedApplication();
    return ui::nowPlayingProcessPID(app) != 0 && ui::isNowPlayingAppPlaying(app);
}

double suggestedTop() { return suggestedNotificationViewFrame(sharedInstance()); }

double listMinY(id, SEL) {
    if (nowPlaying()) NSLog("OVS: Now Playing App Is Playing.");
    if (nineEnabled()) {
        NSLog("OVS: Detected Nine Installed.");
        return ui::statusBarFrame(ui::sharedApplication()).size.height;
    }
    return suggestedTop();
}

// Below version 11 the host's own place applies while music plays: the media
// controls take the space.
CGRect suggestedListViewFrame(id self, SEL cmd) {
    double top = suggestedTop();
    CGRect screen = ui::screenBounds();
    double top2 = suggestedTop();
    CGRect result = CGRectMake(0, top, screen.size.width, screen.size.height - top2);
    if (nowPlaying()) {
        result = stockSuggestedListViewFrame(self, cmd);
        NSLog("OVS: Now Playing App Is Playing.");
    }
    return result;
}

}  // namespace

constinit const Hook kListMinY = Hook::of<&listMinY, &stockListMinY>("SBDashBoardViewController", "listMinY");
constinit const Hook kSuggestedListViewFrame = Hook::of<&suggestedListViewFrame, &stockSuggestedListViewFrame>(
    "SBDashBoardNotificationListViewController", "_suggestedListViewFrame");

}  // namespace orvelle
