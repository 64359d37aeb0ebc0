// What the page asks of the booted home screen itself: media, the lock
// state, the status bar's overrides, the clock in hand, notifications, the
// view tree.
#include "WebDevice.h"
#include "device/Boot.h"
#include "wire/Requests.h"

namespace cli {

using web::LinkError;

LinkError WebDevice::failureOf(const ns::Result<wire::Answer>& answer) {
    if (!answer) return LinkError(answer.reason());
    return LinkError("SpringBoard: " + answer->failure().reason(), answer->failure().kind() == wire::Failure::BAD_REQUEST);
}

void WebDevice::askHomeScreen(const wire::ToSpringBoard& request, std::function<json(const wire::Answer&)> shape,
                              web::Then<json> then) {
    if (!sim::bootState(device_)) return then(LinkError(device_.folder().string() + " is not booted"));
    springBoard_.request(request, [shape = std::move(shape), then](ns::Result<wire::Answer> answer) {
        if (!answer || answer->has_failure()) return then(failureOf(answer));
        then(shape(*answer));
    });
}

void WebDevice::setMedia(bool playing, web::Then<json> then) {
    askHomeScreen(wire::mediaRequest(playing ? wire::Media::PLAY : wire::Media::STOP),
                  [](const wire::Answer&) { return json::object(); }, then);
}

void WebDevice::setLock(bool locked, web::Then<json> then) {
    askHomeScreen(wire::lockRequest(locked ? wire::LockRequest::LOCKED : wire::LockRequest::UNLOCKED),
                  [](const wire::Answer& a) { return json{{"locked", a.locked()}}; }, then);
}

void WebDevice::setStatusBar(const wire::StatusBar& overrides, web::Then<json> then) {
    askHomeScreen(wire::statusBarRequest(overrides),
                  [](const wire::Answer& a) {
                      const wire::StatusBar& now = a.status_bar();
                      json bar = json::object();
                      if (now.has_carrier()) bar["carrier"] = now.carrier();
                      if (now.has_signal()) bar["signal"] = now.signal();
                      if (now.has_battery()) bar["battery"] = now.battery();
                      if (now.has_charging()) bar["charging"] = now.charging();
                      return json{{"statusBar", bar}};
                  },
                  then);
}

void WebDevice::clock(const wire::ClockRequest& change, web::Then<json> then) {
    askHomeScreen(wire::clockRequest(change),
                  [](const wire::Answer& a) {
                      const wire::ClockState& c = a.clock();
                      return json{{"clock",
                                   {{"real", c.real()}, {"paused", c.paused()}, {"rate", c.rate()}, {"now", c.now()},
                                    {"iso", c.iso()}, {"timeZone", c.time_zone()}}}};
                  },
                  then);
}

void WebDevice::notify(const wire::NotifyRequest& request, web::Then<json> then) {
    askHomeScreen(wire::notifyRequest(request),
                  [](const wire::Answer& a) {
                      json list = json::array();
                      for (const wire::Notification& n : a.notifications().notifications())
                          list.push_back({{"id", n.id()}, {"app", n.app()}, {"title", n.title()}, {"body", n.body()},
                                          {"postedAt", n.posted_at()}, {"when", n.when()}});
                      return json{{"notifications", list}};
                  },
                  then);
}

void WebDevice::viewTree(web::Then<std::string> then) {
    if (!sim::bootState(device_)) return then(LinkError(device_.folder().string() + " is not booted"));
    springBoard_.request(wire::dumpRequest(), [then](ns::Result<wire::Answer> answer) {
        if (!answer || answer->has_failure()) return then(failureOf(answer));
        then(answer->dump());
    });
}

}  // namespace cli
