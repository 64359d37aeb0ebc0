#include "WebDevice.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "DeviceOps.h"
#include "device/Boot.h"
#include "device/BuildTree.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Install.h"
#include "device/Process.h"
#include "device/Profile.h"
#include "renderer/Frame.h"

namespace cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kFrameName = "web-frame.png";
// A frame is drawn in a few milliseconds; a SpringBoard slower than this is
// busy starting or stopping, and the screen shows dark meanwhile.
constexpr double kFrameSeconds = 2;
// The largest screen of the table, at its scale, as an uncompressed PNG.
constexpr std::size_t kLargestFrame = 2048 * 2732 * 4 + 1024 * 1024;


// The screen of a device whose home screen is not up: dark, at its size.
std::string darkScreen(const sim::Device& device) {
    sim::Profile p = sim::readProfile(device.profileFile());
    render::Frame frame(static_cast<int>(p.screenWidth * p.screenScale), static_cast<int>(p.screenHeight * p.screenScale),
                        p.screenScale);
    if (frame.empty()) return {};
    cairo_t* cr = cairo_create(frame.surface());
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return frame.encodePNG(true);
}

// A setting's value as the Settings program takes it from a person.
std::string valueText(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_number()) return value.dump();
    throw web::LinkError("a setting's value must be text, a number or true/false", true);
}

// Time zones and locales are names like Europe/Paris and fr_FR.
bool plainName(const std::string& text) {
    if (text.empty() || text.size() > 64) return false;
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '_' && c != '/' && c != '-' && c != '+' && c != '@') return false;
    return true;
}

}  // namespace

WebDevice::WebDevice(sim::Device device) : device_(std::move(device)) {}

WebDevice::~WebDevice() { joinRespring(); }

std::uint64_t WebDevice::frameSerial() {
    auto reply = sim::askSpringBoard(device_, std::string("frame ") + sim::inside::kRunFolder + "/" + kFrameName, kFrameSeconds);
    if (reply && reply->rfind("new ", 0) == 0) {
        // The device wrote it: a regular file of a bounded size, or nothing.
        auto read = sim::DeviceFiles(device_).read(device_.runFolder() / kFrameName, kLargestFrame);
        if (!read) throw web::LinkError(read.reason());
        std::string png = std::move(*read);
        if (!png.empty()) {
            frame_ = std::move(png);
            dark_ = false;
            ++serial_;
        }
    } else if (!reply || reply->rfind("same ", 0) != 0) {
        if (!dark_) {
            frame_ = darkScreen(device_);
            dark_ = true;
            ++serial_;
        }
    }
    return serial_;
}

std::string WebDevice::framePNG() {
    if (frame_.empty()) frameSerial();
    return frame_;
}

void WebDevice::touch(web::TouchPhase phase, double x, double y) {
    const char* word = phase == web::TouchPhase::Down ? "down" : phase == web::TouchPhase::Move ? "move" : "up";
    char command[96];
    std::snprintf(command, sizeof command, "touch %s %.3f %.3f", word, x, y);
    try {
        ask(device_, command);
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
}

json WebDevice::status() {
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
    out["respringing"] = respringing_.load();
    out["springboardPid"] = nullptr;
    if (booted)
        for (const sim::Program& program : sim::programs(device_))
            if (program.name == "SpringBoard") out["springboardPid"] = program.pid;
    auto media = booted ? sim::askSpringBoard(device_, "media", kFrameSeconds) : std::nullopt;
    out["media"] = {{"playing", media && *media == "playing"}};
    weather::Record w = weatherOf(device_);
    auto value = [](const weather::Value& v) { return v ? json(*v) : json(nullptr); };
    out["weather"] = {{"temperature", value(w.temperature)}, {"location", value(w.location)},
                      {"conditions", value(w.conditions)}, {"icon", value(w.icon)}};
    return out;
}

json WebDevice::runPreferences(const std::vector<std::string>& words) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) throw web::LinkError("cannot find orvelle-sim itself: " + ec.message());
    std::vector<std::string> argv{self.string(), "exec", device_.folder().string(), "--", (sim::binFolder() / "Preferences").string()};
    argv.insert(argv.end(), words.begin(), words.end());
    sim::Captured run = sim::captureProgram(argv);
    if (run.exitCode != 0) {
        std::string why = sim::lastLine(run.err);
        // The program's own refusals (no such page, key or action) are the request's fault.
        throw web::LinkError(why.empty() ? "the Settings app failed (exit " + std::to_string(run.exitCode) + ")" : why,
                             run.exitCode == 1);
    }
    json page = json::parse(sim::lastLine(run.out), nullptr, false);
    if (page.is_discarded() || !page.is_object()) throw web::LinkError("the Settings app answered no page: " + sim::lastLine(run.out));
    return page;
}

json WebDevice::prefsPage(const std::string& page) {
    shownPage_ = runPreferences(page.empty() ? std::vector<std::string>{"json"} : std::vector<std::string>{"json", page});
    return shownPage_;
}

json WebDevice::prefsSet(const std::string& page, const std::string& key, const json& value) {
    shownPage_ = runPreferences({"json-set", page, key, valueText(value)});
    return shownPage_;
}

json WebDevice::prefsPress(const std::string& page, const std::string& action) {
    shownPage_ = runPreferences({"json-press", page, action});
    return shownPage_;
}

json WebDevice::prefsAlertButton(long index) {
    auto alerts = shownPage_.find("alerts");
    if (alerts == shownPage_.end() || !alerts->is_array() || alerts->empty())
        throw web::LinkError("no alert is shown", true);
    const json& buttons = alerts->front().value("buttons", json::array());
    if (index < 0 || index >= static_cast<long>(buttons.size()))
        throw web::LinkError("the alert has no button " + std::to_string(index), true);
    // The pane's alerts only say something: any button closes the newest one.
    alerts->erase(alerts->begin());
    return shownPage_;
}

void WebDevice::setWeather(const web::WeatherReport& report) {
    const auto& icon = report.icon;
    if (icon && *icon && !weather::isKnownIcon(**icon))
        throw web::LinkError("the icon \"" + **icon + "\" is not one of sun, cloud, rain, snow", true);
    weather::Record record = weatherOf(device_);
    auto change = [](const web::WeatherValue& given, weather::Value& value) {
        if (given) value = *given;
    };
    change(report.temperature, record.temperature);
    change(report.location, record.location);
    change(report.conditions, record.conditions);
    change(icon, record.icon);
    try {
        applyWeather(device_, record);
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
}

void WebDevice::setMedia(bool playing) {
    try {
        ask(device_, playing ? "media play" : "media stop");
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
}

void WebDevice::respring() {
    if (!sim::bootState(device_)) throw web::LinkError(device_.folder().string() + " is not booted");
    respringInBackground();
}

void WebDevice::respringInBackground() {
    if (respringing_.exchange(true)) return;
    joinRespring();
    respringThread_ = std::thread([this] {
        try {
            sim::respring(device_);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "orvelle-sim: serve: the restart of the home screen failed: %s\n", e.what());
        }
        respringing_ = false;
    });
}

void WebDevice::joinRespring() {
    if (respringThread_.joinable()) respringThread_.join();
}

void WebDevice::change(const web::DeviceChange& change) {
    sim::Profile profile = sim::readProfile(device_.profileFile());
    if (change.systemVersion) {
        if (!sim::isSystemVersion(*change.systemVersion))
            throw web::LinkError("the system version \"" + *change.systemVersion + "\" is not like 11.1.2", true);
        profile.systemVersion = *change.systemVersion;
    }
    if (change.screen && !sim::parseScreen(*change.screen, profile))
        throw web::LinkError("the screen \"" + *change.screen + "\" is not like 375x667 or 375x667@2", true);
    if (change.timeZone) {
        if (!plainName(*change.timeZone)) throw web::LinkError("the time zone \"" + *change.timeZone + "\" is not like Europe/Paris", true);
        profile.timeZone = *change.timeZone;
    }
    if (change.locale) {
        if (!plainName(*change.locale)) throw web::LinkError("the locale \"" + *change.locale + "\" is not like fr_FR", true);
        profile.locale = *change.locale;
    }
    if (change.wallpaper) {
        try {
            setWallpaper(device_, *change.wallpaper);
        } catch (const sim::Failure& e) {
            throw web::LinkError(e.what(), true);
        }
    }
    bool newDevice = change.systemVersion || change.screen || change.timeZone || change.locale;
    try {
        if (newDevice) {
            // Another kind of device: the same files, started afresh as it.
            joinRespring();
            bool booted = sim::bootState(device_).has_value();
            if (booted) sim::shutdown(device_);
            sim::writeProfile(device_.profileFile(), profile);
            sim::installDeliverables(device_, profile);
            if (booted) sim::boot(device_, sim::BootOptions{});
        } else if (change.wallpaper && sim::bootState(device_)) {
            // The home screen judges its wallpaper when it starts.
            respringInBackground();
        }
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
}

}  // namespace cli
