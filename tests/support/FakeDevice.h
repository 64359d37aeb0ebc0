// A DeviceLink that records what it was asked and answers canned values.
#pragma once

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
    std::string failNext;            // a non-empty text: the next call throws it
    bool failAsBadRequest = false;

    // The live side: the sink the server gave, and what it asked.
    web::LiveSink sink;
    bool watching = false;
    int wholeAsks = 0;
    std::string crashText = "Process: SpringBoard\nSignal: 6 (SIGABRT)\n";

    std::string framePNG() override { check("frame"); return png; }
    void watch(web::LiveSink s) override {
        sink = std::move(s);
        watching = true;
    }
    void unwatch() override {
        sink = {};
        watching = false;
    }
    void wantWholeScreen() override { ++wholeAsks; }
    void boot() override { check("boot"); }
    nlohmann::json crashReports() override {
        check("crashes");
        return nlohmann::json::array({{{"name", "SpringBoard-1.crash"}, {"summary", {"Process: SpringBoard"}}}});
    }
    std::string crashReport(const std::string& name) override {
        check("crash " + name);
        if (name != "SpringBoard-1.crash") throw web::LinkError("no crash report \"" + name + "\"", true);
        return crashText;
    }
    std::uint64_t frameSerial() override { return serial; }
    void touch(web::TouchPhase phase, double x, double y) override {
        check("touch");
        touches.push_back({phase, x, y});
    }
    nlohmann::json status() override {
        check("status");
        return {{"model", "iPhone"}, {"systemVersion", "11.1.2"}};
    }
    nlohmann::json prefsPage(const std::string& page) override {
        check("page " + page);
        return page_(page);
    }
    nlohmann::json prefsSet(const std::string& page, const std::string& key, const nlohmann::json& value) override {
        check("set " + page + " " + key);
        lastValue = value;
        return page_(page);
    }
    nlohmann::json prefsPress(const std::string& page, const std::string& action) override {
        check("press " + page + " " + action);
        return page_(page);
    }
    nlohmann::json prefsAlertButton(long index) override {
        check("alert " + std::to_string(index));
        return page_("");
    }
    // A kept value shows as nothing, a cleared one as "(clear)".
    void setWeather(const web::WeatherReport& w) override {
        auto shown = [](const web::WeatherValue& v) { return !v ? std::string() : *v ? **v : std::string("(clear)"); };
        check("weather " + shown(w.temperature) + "|" + shown(w.location) + "|" + shown(w.conditions) + "|" +
              shown(w.icon));
    }
    void setMedia(bool playing) override { check(playing ? "media play" : "media stop"); }
    void respring() override { check("respring"); }
    void change(const web::DeviceChange& c) override {
        check("change " + c.systemVersion.value_or("-") + " " + c.screen.value_or("-") + " " +
              c.timeZone.value_or("-") + " " + c.locale.value_or("-") + " " + c.wallpaper.value_or("-"));
    }

private:
    void check(const std::string& what) {
        if (what != "frame" && what != "touch") calls.push_back(what);
        if (!failNext.empty()) {
            std::string why = std::exchange(failNext, {});
            throw web::LinkError(why, failAsBadRequest);
        }
    }
    static nlohmann::json page_(const std::string& page) {
        return {{"page", page.empty() ? "Root" : page}, {"groups", nlohmann::json::array()}};
    }
};

}  // namespace webtest
