// A DeviceLink that records what it was asked and answers canned values.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "web/DeviceLink.h"

namespace webtest {

struct Touch {
    web::TouchPhase phase;
    double x, y;
};

class FakeDevice : public web::DeviceLink {
public:
    std::string png = "\x89PNG fake frame";
    std::uint64_t serial = 7;
    std::vector<Touch> touches;
    std::vector<std::string> calls;  // every other request, in order
    nlohmann::json lastValue;
    std::string failNext;            // a non-empty text: the next call fails with it
    bool failAsBadRequest = false;

    // The live side: the sink the server gave, and what it asked.
    web::LiveSink sink;
    bool watching = false;
    int wholeAsks = 0;
    std::string crashText = "Process: SpringBoard\nSignal: 6 (SIGABRT)\n";
    std::string viewTreeText = "{\"views\": {\"class\": \"UIWindow\", \"subviews\": []}}";

    // A device that answers later: each answer waits in `later` until answerLater() (on the loop).
    bool deferAnswers = false;
    std::vector<std::function<void()>> later;
    void answerLater() {
        auto answers = std::move(later);
        later.clear();
        for (auto& a : answers) a();
    }

    void framePNG(web::Then<std::string> then) override { answer<std::string>(then, "frame", [&] { return png; }); }
    void watch(web::LiveSink s) override {
        sink = std::move(s);
        watching = true;
    }
    void unwatch() override {
        sink = {};
        watching = false;
    }
    void wantWholeScreen() override { ++wholeAsks; }
    void boot(web::Then<nlohmann::json> then) override { answer(then, "boot"); }
    void crashReports(web::Then<nlohmann::json> then) override {
        answer(then, "crashes", [] {
            return nlohmann::json::array({{{"name", "SpringBoard-1.crash"}, {"summary", {"Process: SpringBoard"}}}});
        });
    }
    void crashReport(const std::string& name, web::Then<std::string> then) override {
        if (name != "SpringBoard-1.crash") {
            check("crash " + name);
            return then(web::LinkError("no crash report \"" + name + "\"", true));
        }
        answer<std::string>(then, "crash " + name, [&] { return crashText; });
    }
    void preview(web::Then<std::string> then) override { answer<std::string>(then, "preview", [&] { return png; }); }
    void viewTree(web::Then<std::string> then) override {
        answer<std::string>(then, "view tree", [&] { return viewTreeText; });
    }
    std::uint64_t frameSerial() override { return serial; }
    void touch(const wire::Touch& t, web::Then<nlohmann::json> then) override {
        auto phase = t.phase() == wire::Touch::DOWN ? web::TouchPhase::Down
                     : t.phase() == wire::Touch::MOVE ? web::TouchPhase::Move
                                                      : web::TouchPhase::Up;
        answer(then, "touch", [this, phase, t] {
            touches.push_back({phase, t.x(), t.y()});
            return nlohmann::json::object();
        });
    }
    void status(web::Then<nlohmann::json> then) override {
        answer(then, "status", [] { return nlohmann::json{{"model", "iPhone"}, {"systemVersion", "11.1.2"}}; });
    }
    void prefsPage(const std::string& page, web::Then<nlohmann::json> then) override {
        answer(then, "page " + page, [page] { return page_(page); });
    }
    void prefsSet(const std::string& page, const std::string& key, const nlohmann::json& value,
                  web::Then<nlohmann::json> then) override {
        answer(then, "set " + page + " " + key, [this, page, value] {
            lastValue = value;
            return page_(page);
        });
    }
    void prefsPress(const std::string& page, const std::string& action, web::Then<nlohmann::json> then) override {
        answer(then, "press " + page + " " + action, [page] { return page_(page); });
    }
    void prefsAlertButton(long index, web::Then<nlohmann::json> then) override {
        answer(then, "alert " + std::to_string(index), [] { return page_(""); });
    }
    // A kept value shows as nothing, a cleared one as "(clear)".
    void setWeather(const web::WeatherReport& w, web::Then<nlohmann::json> then) override {
        auto shown = [](const web::WeatherValue& v) { return !v ? std::string() : *v ? **v : std::string("(clear)"); };
        answer(then, "weather " + shown(w.temperature) + "|" + shown(w.location) + "|" + shown(w.conditions) + "|" +
                         shown(w.icon));
    }
    void setMedia(bool playing, web::Then<nlohmann::json> then) override {
        answer(then, playing ? "media play" : "media stop");
    }
    void respring(web::Then<nlohmann::json> then) override { answer(then, "respring"); }
    void setWallpaperPicture(const std::string& bytes, web::Then<nlohmann::json> then) override {
        answer(then, "wallpaper " + std::to_string(bytes.size()) + " bytes");
    }
    void setLock(bool locked, web::Then<nlohmann::json> then) override {
        answer(then, locked ? "lock" : "unlock", [locked] { return nlohmann::json{{"locked", locked}}; });
    }
    void setStatusBar(const wire::StatusBar& o, web::Then<nlohmann::json> then) override {
        answer(then, "statusbar " + std::string(o.clear() ? "clear" : "") + (o.has_carrier() ? o.carrier() : "-") + "|" +
                         (o.has_signal() ? std::to_string(o.signal()) : "-") + "|" +
                         (o.has_battery() ? std::to_string(o.battery()) : "-") + "|" +
                         (o.has_charging() ? (o.charging() ? "yes" : "no") : "-"));
    }
    void clock(const wire::ClockRequest& c, web::Then<nlohmann::json> then) override {
        using C = wire::ClockRequest;
        std::string what = c.change_case() == C::kPause    ? "pause"
                           : c.change_case() == C::kResume ? "resume"
                           : c.change_case() == C::kReal   ? "real"
                           : c.change_case() == C::kSet    ? "set " + c.set() + " " + c.time_zone()
                           : c.change_case() == C::kAdvance ? "advance " + std::to_string(static_cast<long>(c.advance()))
                           : c.change_case() == C::kRate    ? "rate " + std::to_string(static_cast<long>(c.rate()))
                                                            : "show";
        answer(then, "clock " + what);
    }
    void notify(const wire::NotifyRequest& r, web::Then<nlohmann::json> then) override {
        using R = wire::NotifyRequest;
        std::string what = r.action_case() == R::kPost ? "post " + r.post().app() + "|" + r.post().title() + "|" +
                                                             r.post().body() + "|" + r.post().at()
                           : r.action_case() == R::kClear    ? "clear " + std::to_string(r.clear())
                           : r.action_case() == R::kClearAll ? "clear all"
                                                             : "list";
        answer(then, "notify " + what);
    }
    void change(const web::DeviceChange& c, web::Then<nlohmann::json> then) override {
        answer(then, "change " + c.systemVersion.value_or("-") + " " + c.screen.value_or("-") + " " +
                         c.timeZone.value_or("-") + " " + c.locale.value_or("-") + " " + c.wallpaper.value_or("-") +
                         (c.model ? " " + *c.model : ""));
    }

private:
    // Records the call; the failure asked for, if any.
    std::optional<web::LinkError> check(const std::string& what) {
        if (what != "frame" && what != "touch") calls.push_back(what);
        if (failNext.empty()) return std::nullopt;
        std::string why = std::exchange(failNext, {});
        return web::LinkError(why, failAsBadRequest);
    }
    // Answers `then` with `value()`, or the failure asked for; now, or later when asked to.
    template <class T = nlohmann::json, class F = std::function<T()>>
    void answer(web::Then<T> then, const std::string& what, F value = [] { return T(nlohmann::json::object()); }) {
        auto failure = check(what);
        auto respond = [then, failure, value]() mutable {
            if (failure) return then(*failure);
            then(value());
        };
        if (deferAnswers)
            later.push_back(respond);
        else
            respond();
    }
    static nlohmann::json page_(const std::string& page) {
        return {{"page", page.empty() ? "Root" : page}, {"groups", nlohmann::json::array()}};
    }
};

}  // namespace webtest
