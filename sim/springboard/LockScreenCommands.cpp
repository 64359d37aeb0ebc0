#include "LockScreenCommands.h"

#include <cmath>
#include <stdexcept>

#include "LiveScreen.h"
#include "LockScreen.h"
#include "LockState.h"
#include "StatusBarState.h"
#include "Screen.h"
#include "WeatherWidget.h"
#include "dump/DeviceDump.h"
#include "renderer/LabelFit.h"
#include "foundation/Process.h"
#include "renderer/Renderer.h"
#include "uikit/UIAlertView.h"
#include "uikit/UIDevice.h"
#include "uikit/Touch.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

// A horizontal swipe at least this long over the lock screen's background
// turns the page.
constexpr double kSwipeDistance = 80;

struct TouchTrack {
    bool active = false;
    CGPoint start;
    bool onBackground = false;  // began where no content takes touches
    id alert;                   // began while this alert was shown
};

TouchTrack& track() { return ns::Process::current().part<TouchTrack>(); }

// A touch that no gesture recogniser could take belongs to the lock screen
// itself (notifications and labels included), which turns its pages.
bool isBackground(const id& hit) {
    for (id v = hit; v; v = ui::superview(v)) {
        id recognizers = ui::gestureRecognizers(v);
        auto list = rt::cast<NSArray>(recognizers);
        if (list && !list->items.empty()) return false;
    }
    return true;
}

std::string touch(const wire::Touch& finger) {
    if (!std::isfinite(finger.x()) || !std::isfinite(finger.y()))
        throw std::invalid_argument("a touch needs finite coordinates");
    const auto phase = finger.phase();
    CGPoint p = CGPointMake(finger.x(), finger.y());
    id window = lockScreen().window;
    if (!window) throw std::runtime_error("the lock screen is not up yet");
    TouchTrack& t = track();
    // An alert is modal: while one is shown, touches are its own.
    if (phase == wire::Touch::DOWN) {
        std::vector<id> alerts = ui::shownAlerts();
        if (!alerts.empty()) {
            t = {true, p, false, alerts.back()};
            return "UIAlertView";
        }
    }
    if (t.active && t.alert) {
        if (phase != wire::Touch::UP) return "ok";
        id alert = t.alert;
        CGPoint start = t.start;
        t = {};
        const ui::DeviceProfile& screen = ui::deviceProfile();
        std::vector<CGRect> areas = render::alertButtonAreas(alert, screen.screenWidth, screen.screenHeight);
        for (std::size_t i = 0; i < areas.size(); ++i)
            if (CGRectContainsPoint(areas[i], start) && CGRectContainsPoint(areas[i], p)) {
                ui::tapAlertButton(alert, static_cast<long>(i));
                return "alert button " + std::to_string(i);
            }
        return "ok";
    }
    if (phase == wire::Touch::DOWN) {
        id hit = ui::touchDown(window, p);
        t = {true, p, isBackground(hit), {}};
        return hit && hit->isa ? hit->isa->name() : "none";
    }
    if (phase == wire::Touch::MOVE) {
        ui::touchMove(window, p);
        return "ok";
    }
    ui::touchUp(window, p);
    if (!t.active) return "ok";
    t.active = false;
    double dx = p.x - t.start.x, dy = p.y - t.start.y;
    if (!t.onBackground || std::fabs(dy) * 2 > std::fabs(dx)) return "ok";
    if (dx >= kSwipeDistance) return openTodayView() ? "today opened" : "today refused";
    if (dx <= -kSwipeDistance && lockScreen().todayView) {
        closeTodayView();
        return "today closed";
    }
    return "ok";
}

bool media(wire::Media::Action action) {
    if (action == wire::Media::PLAY) setMediaPlaying(true);
    if (action == wire::Media::STOP) setMediaPlaying(false);
    return static_cast<bool>(lockScreen().artwork);
}

bool lock(wire::LockRequest::State state) {
    if (state == wire::LockRequest::LOCKED) setLockState(LockState::Locked);
    if (state == wire::LockRequest::UNLOCKED) setLockState(LockState::Unlocked);
    return lockState() == LockState::Locked;
}

wire::StatusBar statusBar(const wire::StatusBar& asked) {
    if (asked.clear()) {
        clearStatusBarOverrides();
    } else {
        StatusBarOverrides given;
        if (asked.has_carrier()) given.carrier = asked.carrier();
        if (asked.has_signal()) given.signal = asked.signal();
        if (asked.has_battery()) given.battery = asked.battery();
        if (asked.has_charging()) given.charging = asked.charging();
        if (auto set = setStatusBarOverrides(given); !set) throw std::invalid_argument(set.reason());
    }
    const StatusBarOverrides now = statusBarOverrides();
    wire::StatusBar out;
    if (now.carrier) out.set_carrier(*now.carrier);
    if (now.signal) out.set_signal(*now.signal);
    if (now.battery) out.set_battery(*now.battery);
    if (now.charging) out.set_charging(*now.charging);
    return out;
}

}  // namespace

std::string dumpText() {
    auto buttons = [](const id& alert) {
        const ui::DeviceProfile& screen = ui::deviceProfile();
        return render::alertButtonAreas(alert, screen.screenWidth, screen.screenHeight);
    };
    auto measure = [](const id& label) {
        render::LabelFit fit = render::labelFit(label);
        return dump::TextFit{fit.lines,  fit.shownLines, fit.truncated, fit.width,    fit.height,
                             fit.inkX,   fit.inkY,       fit.inkWidth,  fit.inkHeight};
    };
    return dump::documentText(dump::deviceDump({lockScreen().window, notificationListFrame(), buttons, measure}));
}

Handlers lockScreenHandlers() {
    using C = wire::ToSpringBoard;
    return {
        {C::kDump, [](const C&, wire::Answer& a, const auto&) { a.set_dump(dumpText()); }},
        {C::kScreenshot, [](const C& r, wire::Answer&, const auto&) { screenshotCommand(r.screenshot()); }},
        {C::kMedia, [](const C& r, wire::Answer& a, const auto&) { a.set_playing(media(r.media().action())); }},
        {C::kTouch,
         [](const C& r, wire::Answer& a, const auto&) {
             a.set_touched(touch(r.touch()));
             screenTouched(r.touch().seq());
         }},
        {C::kToday, [](const C&, wire::Answer& a, const auto&) { a.set_today_opened(openTodayView()); }},
        {C::kLock, [](const C& r, wire::Answer& a, const auto&) { a.set_locked(lock(r.lock().state())); }},
        {C::kStatusBar,
         [](const C& r, wire::Answer& a, const auto&) { *a.mutable_status_bar() = statusBar(r.status_bar()); }},
        {C::kRefreshWeather,
         [](const C&, wire::Answer& a, const auto&) { a.set_refreshed(static_cast<std::uint32_t>(refreshWeatherNow())); }},
        {C::kWatchScreen, [](const C&, wire::Answer&, const auto& from) { watchScreen(from); }},
        {C::kWholeScreen, [](const C&, wire::Answer&, const auto& from) { wantWholeScreen(from); }},
        {C::kUnwatchScreen, [](const C&, wire::Answer&, const auto& from) { unwatchScreen(from); }},
    };
}

}  // namespace springboard
