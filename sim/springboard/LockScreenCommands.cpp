#include "LockScreenCommands.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

#include "LockScreen.h"
#include "Screen.h"
#include "WeatherWidget.h"
#include "dump/DeviceDump.h"
#include "foundation/Conversions.h"
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

TouchTrack& track() {
    static TouchTrack t;
    return t;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

double number(const std::string& word) {
    auto value = ns::parseFiniteNumber(word);
    if (!value) throw std::runtime_error("\"" + word + "\" is not a number");
    return *value;
}

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

std::string touch(const std::string& arguments) {
    auto w = words(arguments);
    if (w.size() != 3 || (w[0] != "down" && w[0] != "move" && w[0] != "up"))
        throw std::runtime_error("usage: touch down|move|up X Y");
    CGPoint p = CGPointMake(number(w[1]), number(w[2]));
    id window = lockScreen().window;
    if (!window) throw std::runtime_error("the lock screen is not up yet");
    TouchTrack& t = track();
    // An alert is modal: while one is shown, touches are its own.
    if (w[0] == "down") {
        std::vector<id> alerts = ui::shownAlerts();
        if (!alerts.empty()) {
            t = {true, p, false, alerts.back()};
            return "UIAlertView";
        }
    }
    if (t.active && t.alert) {
        if (w[0] != "up") return "ok";
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
    if (w[0] == "down") {
        id hit = ui::touchDown(window, p);
        t = {true, p, isBackground(hit), {}};
        return hit && hit->isa ? hit->isa->name() : "none";
    }
    if (w[0] == "move") {
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

std::string media(const std::string& arguments) {
    if (arguments.empty()) return lockScreen().artwork ? "playing" : "stopped";
    if (arguments == "play") setMediaPlaying(true);
    else if (arguments == "stop") setMediaPlaying(false);
    else throw std::runtime_error("usage: media [play|stop]");
    return "ok";
}

}  // namespace

std::string dumpText() {
    auto buttons = [](const id& alert) {
        const ui::DeviceProfile& screen = ui::deviceProfile();
        return render::alertButtonAreas(alert, screen.screenWidth, screen.screenHeight);
    };
    return dump::documentText(dump::deviceDump({lockScreen().window, notificationListFrame(), buttons}));
}

std::map<std::string, Command> lockScreenCommands() {
    return {
        {"dump", [](const std::string&) { return dumpText(); }},
        {"screenshot", screenshotCommand},
        {"media", media},
        {"touch", touch},
        {"today", [](const std::string&) { return std::string(openTodayView() ? "opened" : "refused"); }},
        {"weather", [](const std::string&) { return std::to_string(refreshWeatherNow()) + " refreshed"; }},
    };
}

}  // namespace springboard
