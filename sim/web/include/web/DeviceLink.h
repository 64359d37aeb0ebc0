// What the web simulator asks of a device. The device side implements it (over
// the device's control socket); tests use a fake. The server calls it from the
// run loop's thread, one call at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "web/ScreenStream.h"

namespace web {

enum class TouchPhase { Down, Move, Up };

// One value of a weather report: nullopt keeps the device's value, an empty
// inner value (std::in_place) clears it, a text sets it.
using WeatherValue = std::optional<std::optional<std::string>>;

struct WeatherReport {
    WeatherValue temperature;  // as the widget shows it, e.g. "21°"
    WeatherValue location;
    WeatherValue conditions;
    WeatherValue icon;         // a condition image name
};

// Changes to the device itself; an absent field stays as it is. A new system
// version or screen profile makes the device anew (its files kept).
struct DeviceChange {
    std::optional<std::string> systemVersion;  // "10.3.3", "11.1.2"
    std::optional<std::string> screen;         // "375x667"
    std::optional<std::string> timeZone;       // "Europe/Paris"
    std::optional<std::string> locale;         // "fr_FR"
    std::optional<std::string> wallpaper;      // "dark", "light" or an absolute picture path
};

// A request the device refused. `badRequest`: the request itself was wrong
// (an unknown key, page or action) rather than the device failing.
class LinkError : public std::runtime_error {
public:
    explicit LinkError(const std::string& what, bool badRequest = false)
        : std::runtime_error(what), badRequest_(badRequest) {}
    bool badRequest() const { return badRequest_; }

private:
    bool badRequest_;
};

// What a device pushes while it is watched, on the run loop's thread: each
// update of its screen (the first one whole); its state whenever it changes:
// { "state": "live" | "starting" | "down", "why": "..." (not live),
// "log": ["the device log's last lines", ...] (down) }; and that its settings
// changed (by anyone: the page, the tool, the device itself).
struct LiveSink {
    std::function<void(ScreenUpdate)> screen;
    std::function<void(const nlohmann::json& state)> state;
    std::function<void()> settings;
};

// The JSON the device answers:
//
// status(): { "model": "iPhone", "systemVersion": "11.1.2",
//   "screen": { "width": 375, "height": 667, "scale": 2 },
//   "timeZone": "Europe/Paris", "locale": "en_US", "wallpaper": "dark",
//   "booted": true, "springboardPid": 42, "media": { "playing": false },
//   "safeMode": { "why": "...", "culprits": "A.dylib", "report": "SpringBoard-....crash" } | null,
//   "weather": { "temperature": "21°", "location": "Paris", "conditions": "Sunny", "icon": "sunny" } }
//   (a value the device's weather lacks is null)
//
// crashReports(): [ { "name": "SpringBoard-2026-12-07-210502-42.crash", "summary": ["first lines", ...] } ],
// newest first.
//
// A Settings page (prefsPage and the answers of prefsSet/prefsPress/prefsAlertButton):
// { "page": "Root", "title": "Orvelle",
//   "header": { "title": "Orvelle", "subtitle": "..." } | null,
//   "groups": [ { "header": "Clock" | null, "footer": "..." | null, "cells": [
//       { "type": "switch", "label": "Enabled", "key": "enableOVS", "value": true, "enabled": true },
//       { "type": "choice", "label": "Style", "key": "clockStyle", "value": 1,
//         "options": [ { "title": "Stacked", "value": 1 }, { "title": "Row", "value": 2 } ] },
//       { "type": "text", "label": "Subtitle", "key": "subTitle", "value": "", "placeholder": "..." },
//       { "type": "button", "label": "Respring", "action": "respring" },
//       { "type": "link", "label": "More", "page": "More" },
//       { "type": "static", "label": "Version", "value": "1.0" } ] } ],
//   "alerts": [ { "title": "...", "message": "...", "buttons": ["OK"] } ],
//   "opened": ["https://..."] }  (prefsPress only: the addresses the button opened)
class DeviceLink {
public:
    virtual ~DeviceLink() = default;

    // The newest frame of the screen as PNG bytes (empty while there is none)
    // and a number that changes whenever the frame does.
    virtual std::string framePNG() = 0;
    virtual std::uint64_t frameSerial() = 0;

    // Starts pushing to `sink` (one sink at a time; a new one replaces it),
    // and stops. A device without a live screen pushes nothing.
    virtual void watch(LiveSink sink) { (void)sink; }
    virtual void unwatch() {}
    // The next update pushed is the whole screen.
    virtual void wantWholeScreen() {}

    // One finger, in screen points.
    virtual void touch(TouchPhase phase, double x, double y) = 0;

    virtual nlohmann::json status() = 0;

    // The pane's pages, as the Settings program serves them; "" is the root page.
    virtual nlohmann::json prefsPage(const std::string& page) = 0;
    virtual nlohmann::json prefsSet(const std::string& page, const std::string& key, const nlohmann::json& value) = 0;
    virtual nlohmann::json prefsPress(const std::string& page, const std::string& action) = 0;
    // A tap on a button of the Settings side's shown alert.
    virtual nlohmann::json prefsAlertButton(long index) = 0;

    virtual void setWeather(const WeatherReport& report) = 0;
    virtual void setMedia(bool playing) = 0;
    virtual void respring() = 0;
    virtual void change(const DeviceChange& change) = 0;
    // Boots a device that is down; returns once it is up.
    virtual void boot() { throw LinkError("this device cannot be booted from here"); }

    virtual nlohmann::json crashReports() { return nlohmann::json::array(); }
    // One report's text; a LinkError (bad request) for a name that is not one.
    virtual std::string crashReport(const std::string& name) { throw LinkError("no crash report \"" + name + "\"", true); }
};

}  // namespace web
