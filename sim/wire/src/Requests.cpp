#include "wire/Requests.h"

namespace wire {

ToSpringBoard pingRequest() {
    ToSpringBoard r;
    r.mutable_ping();
    return r;
}

ToSpringBoard tweaksRequest() {
    ToSpringBoard r;
    r.mutable_tweaks();
    return r;
}

ToSpringBoard dumpRequest() {
    ToSpringBoard r;
    r.mutable_dump();
    return r;
}

ToSpringBoard screenshotRequest(const std::string& insidePath) {
    ToSpringBoard r;
    r.set_screenshot(insidePath);
    return r;
}

ToSpringBoard mediaRequest(Media::Action action) {
    ToSpringBoard r;
    r.mutable_media()->set_action(action);
    return r;
}

ToSpringBoard lockRequest(LockRequest::State state) {
    ToSpringBoard r;
    r.mutable_lock()->set_state(state);
    return r;
}

ToSpringBoard statusBarRequest(const StatusBar& overrides) {
    ToSpringBoard r;
    *r.mutable_status_bar() = overrides;
    return r;
}

ToSpringBoard touchRequest(Touch::Phase phase, double x, double y, std::uint32_t seq) {
    ToSpringBoard r;
    Touch& t = *r.mutable_touch();
    t.set_phase(phase);
    t.set_x(x);
    t.set_y(y);
    t.set_seq(seq);
    return r;
}

ToSpringBoard clockRequest(const ClockRequest& change) {
    ToSpringBoard r;
    *r.mutable_clock() = change;
    return r;
}

ToSpringBoard notifyRequest(const NotifyRequest& action) {
    ToSpringBoard r;
    *r.mutable_notify() = action;
    return r;
}

ToSpringBoard todayRequest() {
    ToSpringBoard r;
    r.mutable_today();
    return r;
}

ToSpringBoard refreshWeatherRequest() {
    ToSpringBoard r;
    r.mutable_refresh_weather();
    return r;
}

ToSpringBoard watchScreenRequest() {
    ToSpringBoard r;
    r.mutable_watch_screen();
    return r;
}

ToSpringBoard wholeScreenRequest() {
    ToSpringBoard r;
    r.mutable_whole_screen();
    return r;
}

}  // namespace wire
