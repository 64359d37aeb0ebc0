#include "WebDevice.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "DeviceOps.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/DeviceFiles.h"
#include "device/Keeper.h"
#include "device/KeeperRecords.h"
#include "foundation/Log.h"
#include "wire/DeviceModels.h"
#include "wire/Failure.h"
#include "wire/InsidePaths.h"
#include "wire/Requests.h"

namespace cli {

namespace fs = std::filesystem;
using nlohmann::json;
using web::LinkError;

namespace {

constexpr const char* kFrameName = "web-frame.png";
// A screenshot is drawn in a few milliseconds; a SpringBoard slower than this
// is busy starting or stopping.
constexpr double kFrameSeconds = 2;
// The largest screen of the table, at its scale, as an uncompressed PNG.
constexpr std::size_t kLargestFrame = 2048 * 2732 * 4 + 1024 * 1024;
// What the status waits for SpringBoard's word on media.
constexpr double kMediaSeconds = 2;

// A setting's value as the Settings program takes it from a person.
std::string valueText(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_number()) return value.dump();
    throw LinkError("a setting's value must be text, a number or true/false", true);
}

}  // namespace

WebDevice::WebDevice(sim::Device device) : device_(device), springBoard_(device), settings_(device) {}

WebDevice::~WebDevice() { unwatch(); }

std::uint64_t WebDevice::frameSerial() {
    // Unwatched, every frame asked for may be a new one.
    return watching_ ? serial_ : ++serial_;
}

void WebDevice::framePNG(web::Then<std::string> then) {
    const std::string inside = std::string(sim::inside::kRunFolder) + "/" + kFrameName;
    std::weak_ptr<WebDevice*> alive = self_;
    springBoard_.request(
        wire::screenshotRequest(inside),
        [alive, then](ns::Result<wire::Answer> answer) {
            auto self = alive.lock();
            if (!self) return then(LinkError("the server stops"));
            const sim::Device& device = (*self)->device_;
            if (!answer || answer->has_failure())
                return then(LinkError("the home screen of " + device.folder().string() + " does not answer: it is " +
                                      (sim::bootState(device) ? "starting" : "shut down")));
            // The device wrote it: a regular file of a bounded size, or nothing.
            auto read = sim::DeviceFiles(device).read(device.runFolder() / kFrameName, kLargestFrame);
            if (!read) return then(LinkError(read.reason()));
            then(std::move(*read));
        },
        kFrameSeconds);
}

// ---- the live side ---------------------------------------------------------------

void WebDevice::watch(web::LiveSink sink) {
    unwatch();
    sink_ = std::move(sink);
    watching_ = true;
    watchSettings();
    watchLog();
    std::weak_ptr<WebDevice*> alive = self_;
    session::SpringBoardSession::Watcher watcher;
    watcher.screen = [alive](session::Screen screen) {
        auto self = alive.lock();
        if (!self || !(*self)->sink_.screen) return;
        (*self)->sink_.screen(web::ScreenFrame{std::move(screen.message), screen.whole, ++(*self)->serial_});
    };
    watcher.state = [alive](const wire::DeviceState& state) {
        auto self = alive.lock();
        if (!self || !(*self)->sink_.state) return;
        wire::DeviceState told = state;
        if ((*self)->respringing_ && state.state() == "starting") told.set_why("the home screen restarts");
        (*self)->sink_.state(told);
    };
    springBoard_.watch(std::move(watcher));
}

void WebDevice::unwatch() {
    if (!watching_) return;
    watching_ = false;
    springBoard_.unwatch();
    settingsQuiet_.cancel();
    settingsSource_.reset();
    settingsWatch_.reset();
    log_.reset();
    logCarry_.clear();
    sink_ = {};
}

void WebDevice::wantWholeScreen() { springBoard_.wantWholeScreen(); }

// The settings files, followed by the kernel's file events: a change made by
// the tool, the page or the device is told once the writes settle.
void WebDevice::watchSettings() {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return ns::logLine(std::string("web: cannot follow the settings: ") + std::strerror(errno));
    settingsWatch_ = ns::UniqueFd(fd);
    // Never through a link the device planted in place of the folder.
    if (inotify_add_watch(fd, device_.preferencesFolder().c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_CREATE | IN_ONLYDIR | IN_DONT_FOLLOW) < 0) {
        ns::logLine("web: cannot follow " + device_.preferencesFolder().string() + ": " + std::strerror(errno));
        settingsWatch_.reset();
        return;
    }
    settingsSource_ = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "the device's settings", [this](unsigned) {
        char events[4096];
        while (::read(settingsWatch_.get(), events, sizeof events) > 0) {
        }
        if (settingsQuiet_) return;
        settingsQuiet_ = ns::Timer::after(0.15, "the settings' change, settled", [this] {
            if (sink_.settings) sink_.settings();
        });
    });
}

void WebDevice::touch(const wire::Touch& touch, web::Then<json> then) {
    springBoard_.touch(touch, [then](ns::Result<wire::Answer> answer) {
        if (!answer || answer->has_failure()) return then(failureOf(answer));
        then(json::object());
    });
}

// ---- the device's state ----------------------------------------------------------

json WebDevice::statusNow(bool playing) {
    sim::Profile p = sim::readProfile(device_.profileFile());
    json out;
    out["model"] = p.model;
    out["systemVersion"] = p.systemVersion;
    out["screen"] = {{"width", p.screenWidth}, {"height", p.screenHeight}, {"scale", p.screenScale}};
    out["timeZone"] = p.timeZone;
    out["locale"] = p.locale;
    out["wallpaper"] = wallpaperOf(device_);
    bool booted = sim::bootState(device_).has_value();
    out["booted"] = booted;
    out["respringing"] = respringing_;
    out["springboardPid"] = nullptr;
    if (booted)
        for (const sim::Program& program : sim::programs(device_))
            if (program.name == "SpringBoard") out["springboardPid"] = program.pid;
    out["media"] = {{"playing", playing}};
    out["stopped"] = nullptr;
    if (!booted)
        if (auto stopped = sim::readStopRecord(device_)) out["stopped"] = stopped->why();
    out["safeMode"] = nullptr;
    if (booted)
        if (auto safe = sim::safeModeOf(device_))
            out["safeMode"] = {{"why", safe->why}, {"culprits", safe->culprits}, {"report", safe->report}};
    weather::Record w = weatherOf(device_);
    auto value = [](const weather::Value& v) { return v ? json(*v) : json(nullptr); };
    out["weather"] = {{"temperature", value(w.temperature)}, {"location", value(w.location)},
                      {"conditions", value(w.conditions)}, {"icon", value(w.icon)}};
    return out;
}

void WebDevice::status(web::Then<json> then) {
    std::weak_ptr<WebDevice*> alive = self_;
    auto answer = [alive, then](bool playing) {
        auto self = alive.lock();
        if (!self) return then(LinkError("the server stops"));
        try {
            then((*self)->statusNow(playing));
        } catch (const std::exception& e) {
            then(LinkError(e.what()));
        }
    };
    if (!sim::bootState(device_)) return answer(false);
    // A home screen on its way down may take its time to close: the status
    // waits on no device that is restarting, and says what it last heard.
    if (restarting_ || respringing_) return answer(playing_);
    springBoard_.request(
        wire::mediaRequest(wire::Media::QUERY),
        [alive, answer](ns::Result<wire::Answer> a) {
            const bool playing = a && a->has_playing() && a->playing();
            if (auto self = alive.lock(); self && a) (*self)->playing_ = playing;
            answer(playing);
        },
        kMediaSeconds);
}

void WebDevice::crashReports(web::Then<json> then) {
    json out = json::array();
    try {
        for (const std::string& name : crashReportNames(device_)) {
            json summary = json::array();
            std::istringstream in(crashReportText(device_, name));
            std::string line;
            for (int i = 0; i < 5 && std::getline(in, line); ++i) summary.push_back(line);
            out.push_back({{"name", name}, {"summary", summary}});
        }
    } catch (const sim::Failure& e) {
        return then(LinkError(e.what()));
    }
    then(std::move(out));
}

void WebDevice::crashReport(const std::string& name, web::Then<std::string> then) {
    try {
        then(crashReportText(device_, name));
    } catch (const sim::Failure& e) {
        then(LinkError(e.what(), true));
    }
}

// ---- the Settings side -----------------------------------------------------------

void WebDevice::settings(wire::ToSettings request, web::Then<json> then) {
    std::weak_ptr<WebDevice*> alive = self_;
    settings_.request(std::move(request), [alive, then](ns::Result<wire::FromSettings> answer) {
        if (!answer) return then(LinkError(answer.reason()));
        if (answer->has_failure())
            return then(LinkError(answer->failure().reason(), answer->failure().kind() == wire::Failure::BAD_REQUEST));
        json page = json::parse(answer->page(), nullptr, false);
        if (page.is_discarded() || !page.is_object()) return then(LinkError("the Settings app answered no page"));
        if (auto self = alive.lock()) (*self)->shownPage_ = page;
        then(std::move(page));
    });
}

void WebDevice::prefsPage(const std::string& page, web::Then<json> then) {
    wire::ToSettings r;
    r.set_show(page);
    settings(std::move(r), std::move(then));
}

void WebDevice::prefsSet(const std::string& page, const std::string& key, const json& value, web::Then<json> then) {
    wire::ToSettings r;
    r.mutable_set()->set_page(page);
    r.mutable_set()->set_key(key);
    r.mutable_set()->set_value(valueText(value));
    settings(std::move(r), std::move(then));
}

void WebDevice::prefsPress(const std::string& page, const std::string& action, web::Then<json> then) {
    wire::ToSettings r;
    r.mutable_press()->set_page(page);
    r.mutable_press()->set_action(action);
    settings(std::move(r), std::move(then));
}

void WebDevice::prefsAlertButton(long index, web::Then<json> then) {
    auto alerts = shownPage_.find("alerts");
    if (alerts == shownPage_.end() || !alerts->is_array() || alerts->empty())
        return then(LinkError("no alert is shown", true));
    const json& buttons = alerts->front().value("buttons", json::array());
    if (index < 0 || index >= static_cast<long>(buttons.size()))
        return then(LinkError("the alert has no button " + std::to_string(index), true));
    // The pane's alerts only say something: any button closes the newest one.
    alerts->erase(alerts->begin());
    then(shownPage_);
}

// ---- changes ---------------------------------------------------------------------

void WebDevice::setWeather(const web::WeatherReport& report, web::Then<json> then) {
    const auto& icon = report.icon;
    if (icon && *icon && !weather::isKnownIcon(**icon))
        return then(LinkError("the icon \"" + **icon + "\" is not one of sun, cloud, rain, snow", true));
    weather::Record record = weatherOf(device_);
    auto change = [](const web::WeatherValue& given, weather::Value& value) {
        if (given) value = *given;
    };
    change(report.temperature, record.temperature);
    change(report.location, record.location);
    change(report.conditions, record.conditions);
    change(icon, record.icon);
    try {
        writeWeather(device_, record);
    } catch (const sim::Failure& e) {
        return then(LinkError(e.what()));
    }
    if (!sim::bootState(device_)) return then(json::object());
    askHomeScreen(wire::refreshWeatherRequest(), [](const wire::Answer&) { return json::object(); }, then);
}

void WebDevice::respring(web::Then<json> then) {
    if (!sim::bootState(device_)) return then(LinkError(device_.folder().string() + " is not booted"));
    respringInBackground();
    then(json::object());
}

void WebDevice::respringInBackground() {
    if (respringing_) return;
    respringing_ = true;
    std::weak_ptr<WebDevice*> alive = self_;
    const sim::Device device = device_;
    jobs_.start(
        "the restart of the home screen", [device] { return std::to_string(sim::respring(device)); },
        [alive](ns::Result<std::string> done) {
            if (!done) ns::logLine("web: the restart of the home screen failed: " + done.reason());
            if (auto self = alive.lock()) {
                (*self)->respringing_ = false;
                (*self)->springBoard_.reconnectSoon();
            }
        });
}

void WebDevice::restartJob(const std::string& what, std::function<std::string()> work, web::Then<json> then) {
    restarting_ = true;
    springBoard_.disconnect("the device restarts");
    std::weak_ptr<WebDevice*> alive = self_;
    jobs_.start(what, std::move(work), [alive, then](ns::Result<std::string> done) {
        auto self = alive.lock();
        if (!self) return then(LinkError("the server stops"));
        (*self)->restarting_ = false;
        (*self)->springBoard_.reconnectSoon();
        if (!done) return then(LinkError(done.reason()));
        then(json::object());
    });
}

void WebDevice::change(const web::DeviceChange& change, web::Then<json> then) {
    if (restarting_) return then(LinkError(device_.folder().string() + " is already starting anew; wait for it", true));
    const sim::Profile before = sim::readProfile(device_.profileFile());
    // The same table as the tool's: what could not run is refused, naming what can.
    sim::DeviceChoice choice;
    choice.model = change.model;
    choice.version = change.systemVersion;
    choice.screen = change.screen;
    choice.timeZone = change.timeZone;
    choice.locale = change.locale;
    auto chosen = sim::chooseDevice(before, choice);
    if (!chosen) return then(LinkError(chosen.reason(), true));
    sim::Profile profile = *chosen;

    const std::string wallpaperBefore = wallpaperOf(device_);
    if (change.wallpaper) {
        try {
            setWallpaper(device_, *change.wallpaper);
        } catch (const sim::Failure& e) {
            return then(LinkError(e.what(), true));
        }
    }
    if (describe(profile) != describe(before)) {
        // Another kind of device: the same files, started afresh as it.
        const sim::Device device = device_;
        return restartJob(
            "a new setup of " + device_.folder().string(),
            [device, profile, before, wallpaperBefore] {
                restartAs(device, profile, before, wallpaperBefore);
                return std::string();
            },
            std::move(then));
    }
    // The home screen judges its wallpaper when it starts.
    if (change.wallpaper && *change.wallpaper != wallpaperBefore && sim::bootState(device_)) respringInBackground();
    then(json::object());
}

void WebDevice::boot(web::Then<json> then) {
    if (sim::bootState(device_)) return then(LinkError(device_.folder().string() + " is already booted", true));
    if (restarting_) return then(LinkError(device_.folder().string() + " is already starting; wait for it", true));
    const sim::Device device = device_;
    restartJob(
        "the boot of " + device_.folder().string(),
        [device] {
            sim::boot(device, sim::BootOptions{});
            return std::string();
        },
        std::move(then));
}

}  // namespace cli
