// What the web simulator asks of a device. The device side implements it
// (over the device's sessions); tests use a fake. The server calls it from the
// run loop's thread, and every answer comes back on that thread, once, now
// or later: nothing the server does waits on a device.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include "wire/springboard.pb.h"

#include "wire/common.pb.h"
#include "wire/page.pb.h"

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
    std::optional<std::string> model;          // "iPhone", "iPad"
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

// A device's answer: the value, or the error that kept it.
template <class T>
class Outcome {
public:
    Outcome(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Outcome(LinkError error) : state_(std::in_place_index<1>, std::move(error)) {}
    bool ok() const { return state_.index() == 0; }
    T& value() { return std::get<0>(state_); }
    const LinkError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, LinkError> state_;
};

// Called once with the answer, on the run loop's thread.
template <class T>
using Then = std::function<void(Outcome<T>)>;

// One update of the screen as the device sent it: `message` is a ToPage
// holding it (wire/page.proto), byte for byte what SpringBoard encoded.
struct ScreenFrame {
    std::string message;
    bool whole = false;
    std::uint64_t serial = 0;
};

// What a device pushes while it is watched, on the run loop's thread: each
// update of its screen (the first one whole); its state whenever it changes;
// and that its settings changed (by anyone: the page, the tool, the device).
struct LiveSink {
    std::function<void(ScreenFrame)> screen;
    std::function<void(const wire::DeviceState& state)> state;
    std::function<void()> settings;
    // Lines of the device log as they are written (its recent tail first).
    std::function<void(const wire::LogLines& lines)> log;
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
//
// The changes (weather, media, change, boot, wallpaper picture) answer {} once done (the server
// then answers with the status); respring answers {} once the restart has begun.
class DeviceLink {
public:
    using json = nlohmann::json;
    virtual ~DeviceLink() = default;

    // The newest frame of the screen as PNG bytes, and a number that changes
    // whenever the frame does.
    virtual void framePNG(Then<std::string> then) = 0;
    virtual std::uint64_t frameSerial() = 0;

    // Starts pushing to `sink` (one sink at a time; a new one replaces it),
    // and stops. A device without a live screen pushes nothing.
    virtual void watch(LiveSink sink) { (void)sink; }
    virtual void unwatch() {}
    // The next update pushed is the whole screen.
    virtual void wantWholeScreen() {}

    // One finger, in screen points; `touch.seq` numbers it when the page does.
    virtual void touch(const wire::Touch& touch, Then<json> then) = 0;

    virtual void status(Then<json> then) = 0;

    // The panes' pages, as the Settings program serves them; "" is the list of panes.
    virtual void prefsPage(const std::string& page, Then<json> then) = 0;
    virtual void prefsSet(const std::string& page, const std::string& key, const json& value, Then<json> then) = 0;
    virtual void prefsPress(const std::string& page, const std::string& action, Then<json> then) = 0;
    // A tap on a button of the Settings side's shown alert.
    virtual void prefsAlertButton(long index, Then<json> then) = 0;

    virtual void setWeather(const WeatherReport& report, Then<json> then) = 0;
    virtual void setMedia(bool playing, Then<json> then) = 0;
    virtual void respring(Then<json> then) = 0;
    // The lock screen locked or unlocked by its owner: {"locked": bool}. The
    // status bar's overrides (what `overrides` leaves out stays; `clear` goes
    // back to the device's own): {"statusBar": {the overrides in force}}.
    virtual void setLock(bool locked, Then<json> then) { (void)locked, then(LinkError("this device has no lock screen")); }
    // A picture (PNG or JPEG bytes) as the wallpaper: checked, kept in the
    // device, and the home screen started again on it.
    virtual void setWallpaperPicture(const std::string& bytes, Then<json> then) {
        (void)bytes, then(LinkError("this device takes no picture"));
    }
    virtual void setStatusBar(const wire::StatusBar& overrides, Then<json> then) {
        (void)overrides, then(LinkError("this device has no status bar"));
    }
    // The device's clock held in hand (show changes nothing): {"clock": {"real",
    // "paused", "rate", "now", "iso", "timeZone"}}; a value out of range is a
    // bad request naming what is accepted.
    virtual void clock(const wire::ClockRequest& change, Then<json> then) {
        (void)change, then(LinkError("this device's clock is not in hand"));
    }
    // The lock screen's notifications after posting, clearing or listing:
    // {"notifications": [{"id", "app", "title", "body", "postedAt", "when"}, ...]}, newest first.
    virtual void notify(const wire::NotifyRequest& request, Then<json> then) {
        (void)request, then(LinkError("this device takes no notifications"));
    }
    // The home screen's view tree as the dump document (JSON text, as the
    // device wrote it: the server passes it on unread).
    virtual void viewTree(Then<std::string> then) { then(LinkError("this device has no view tree")); }
    // The lock screen as the next restart of the home screen will build it,
    // as PNG bytes, drawn apart from the device at its clock; the device is
    // left as it was.
    virtual void preview(Then<std::string> then) { then(LinkError("this device draws no preview")); }
    virtual void change(const DeviceChange& change, Then<json> then) = 0;
    // Boots a device that is down; answers once it is up.
    virtual void boot(Then<json> then) { then(LinkError("this device cannot be booted from here")); }

    virtual void crashReports(Then<json> then) { then(json::array()); }
    // One report's text; a LinkError (bad request) for a name that is not one.
    virtual void crashReport(const std::string& name, Then<std::string> then) {
        then(LinkError("no crash report \"" + name + "\"", true));
    }
};

}  // namespace web
