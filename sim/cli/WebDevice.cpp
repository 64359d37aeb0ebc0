#include "WebDevice.h"

#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "DeviceOps.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/BuildTree.h"
#include "device/Control.h"
#include "device/DeviceModels.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Install.h"
#include "device/Process.h"
#include "device/Profile.h"
#include "device/Keeper.h"
#include "foundation/Log.h"

namespace cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kFrameName = "web-frame.png";
// A screenshot is drawn in a few milliseconds; a SpringBoard slower than this
// is busy starting or stopping.
constexpr double kFrameSeconds = 2;
// The largest screen of the table, at its scale, as an uncompressed PNG.
constexpr std::size_t kLargestFrame = 2048 * 2732 * 4 + 1024 * 1024;
// How soon the feed is tried again: while the home screen restarts, and while
// the device is shut down (it may be booted from elsewhere).
constexpr double kRetryStarting = 0.25;
constexpr double kRetryDown = 1;
// Lines of the device log a page shows when the device is down.
constexpr std::size_t kLogLines = 12;

std::vector<std::string> logTail(const sim::Device& device) {
    auto tail = sim::DeviceFiles(device).readTail(device.logFile(), 8192);
    if (!tail) return {tail.reason()};
    std::vector<std::string> lines;
    std::istringstream in(*tail);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    if (lines.size() > kLogLines) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(kLogLines));
    return lines;
}

std::string describe(const sim::Profile& p) {
    std::ostringstream out;
    out << p.model << " " << p.systemVersion << ", " << p.screenWidth << "x" << p.screenHeight << "@" << p.screenScale
        << ", " << p.timeZone << ", " << p.locale;
    return out.str();
}

// A setting's value as the Settings program takes it from a person.
std::string valueText(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_number()) return value.dump();
    throw web::LinkError("a setting's value must be text, a number or true/false", true);
}

}  // namespace

WebDevice::WebDevice(sim::Device device) : device_(std::move(device)) {}

WebDevice::~WebDevice() {
    unwatch();
    joinRespring();
}

std::uint64_t WebDevice::frameSerial() {
    // Unwatched, every frame asked for may be a new one.
    return watching_ ? serial_ : ++serial_;
}

std::string WebDevice::framePNG() {
    const std::string inside = std::string(sim::inside::kRunFolder) + "/" + kFrameName;
    auto reply = sim::askSpringBoard(device_, "screenshot " + inside, kFrameSeconds);
    if (!reply || *reply != "ok")
        throw web::LinkError("the home screen of " + device_.folder().string() + " does not answer: it is " +
                             (sim::bootState(device_) ? "starting" : "shut down"));
    // The device wrote it: a regular file of a bounded size, or nothing.
    auto read = sim::DeviceFiles(device_).read(device_.runFolder() / kFrameName, kLargestFrame);
    if (!read) throw web::LinkError(read.reason());
    return std::move(*read);
}

// ---- the live side ---------------------------------------------------------------

void WebDevice::watch(web::LiveSink sink) {
    unwatch();
    sink_ = std::move(sink);
    watching_ = true;
    state_.clear();
    watchSettings();
    connectFeed();
}

void WebDevice::unwatch() {
    if (!watching_) return;
    watching_ = false;
    dropFeed();
    if (auto t = rt::cast<NSTimer>(retry_)) t->invalidate();
    retry_ = nullptr;
    if (auto t = rt::cast<NSTimer>(settingsQuiet_)) t->invalidate();
    settingsQuiet_ = nullptr;
    settingsSource_.reset();
    settingsWatch_ = sim::UniqueFd();
    sink_ = {};
}

void WebDevice::wantWholeScreen() {
    if (!feed_) return;
    std::string line = std::string(sim::kWholeFrameRequest) + "\n";
    // A few bytes on a local socket; if they do not fit, the feed is stuck anyway.
    (void)::send(feed_.get(), line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void WebDevice::tellState(const std::string& state, const std::string& why) {
    if (state == state_ && why == why_) return;
    state_ = state;
    why_ = why;
    json event{{"state", state}};
    if (state != "live") event["why"] = why;
    if (state == "down") event["log"] = logTail(device_);
    if (sink_.state) sink_.state(event);
}

void WebDevice::connectFeed() {
    retry_ = nullptr;
    if (!watching_ || feed_) return;
    if (!sim::bootState(device_)) {
        tellState("down", device_.folder().string() + " is shut down");
        return retryFeedIn(kRetryDown);
    }
    auto opened = sim::openScreenFeed(device_);
    if (!opened) {
        tellState("starting", respringing_ ? "the home screen restarts" : "the home screen is starting: " + sim::lastLogLine(device_));
        return retryFeedIn(kRetryStarting);
    }
    feed_ = std::move(*opened);
    reader_ = std::make_unique<sim::ScreenFeedReader>();
    feedSource_ = ns::RunLoop::main().watch(feed_.get(), ns::RunLoop::Readable, "the device's screen feed",
                                            [this](unsigned) { readFeed(); });
}

void WebDevice::dropFeed() {
    feedSource_.reset();
    feed_ = sim::UniqueFd();
    reader_.reset();
}

void WebDevice::retryFeedIn(double seconds) {
    if (retry_) return;
    retry_ = ns::scheduledTimer(seconds, false, [this](const id&) { connectFeed(); }, "the device's screen feed, again");
}

void WebDevice::readFeed() {
    char buffer[1 << 16];
    ssize_t n = ::recv(feed_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        // SpringBoard went (a restart, a crash, a shutdown): the feed comes back with it.
        dropFeed();
        tellState("starting", "the home screen stopped: " + sim::lastLogLine(device_));
        return retryFeedIn(kRetryStarting);
    }
    auto updates = reader_->take(std::string_view(buffer, static_cast<std::size_t>(n)));
    if (!updates) {
        ns::logLine("web: " + device_.folder().string() + ": " + updates.reason());
        dropFeed();
        tellState("starting", updates.reason());
        return retryFeedIn(kRetryDown);
    }
    for (sim::ScreenUpdate& u : *updates) {
        web::ScreenUpdate out{++serial_, u.width, u.height, u.whole, {}};
        for (sim::ScreenPicture& p : u.pictures) out.pictures.push_back({p.x, p.y, p.width, p.height, std::move(p.png)});
        if (out.whole) tellState("live", "");
        if (sink_.screen) sink_.screen(std::move(out));
    }
}

// The settings files, followed by the kernel's file events: a change made by
// the tool, the page or the device is told once the writes settle.
void WebDevice::watchSettings() {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return ns::logLine(std::string("web: cannot follow the settings: ") + std::strerror(errno));
    settingsWatch_ = sim::UniqueFd(fd);
    // Never through a link the device planted in place of the folder.
    if (inotify_add_watch(fd, device_.preferencesFolder().c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_CREATE | IN_ONLYDIR | IN_DONT_FOLLOW) < 0) {
        ns::logLine("web: cannot follow " + device_.preferencesFolder().string() + ": " + std::strerror(errno));
        settingsWatch_ = sim::UniqueFd();
        return;
    }
    settingsSource_ = ns::RunLoop::main().watch(fd, ns::RunLoop::Readable, "the device's settings", [this](unsigned) {
        char events[4096];
        while (::read(settingsWatch_.get(), events, sizeof events) > 0) {
        }
        if (settingsQuiet_) return;
        settingsQuiet_ = ns::scheduledTimer(0.15, false, [this](const id&) {
            settingsQuiet_ = nullptr;
            if (sink_.settings) sink_.settings();
        }, "the settings' change, settled");
    });
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
    const sim::Profile before = sim::readProfile(device_.profileFile());
    // The same table as the tool's: what could not run is refused, naming what can.
    sim::DeviceChoice choice;
    choice.version = change.systemVersion;
    choice.screen = change.screen;
    choice.timeZone = change.timeZone;
    choice.locale = change.locale;
    auto chosen = sim::chooseDevice(before, choice);
    if (!chosen) throw web::LinkError(chosen.reason(), true);
    sim::Profile profile = *chosen;

    const std::string wallpaperBefore = wallpaperOf(device_);
    if (change.wallpaper) {
        try {
            setWallpaper(device_, *change.wallpaper);
        } catch (const sim::Failure& e) {
            throw web::LinkError(e.what(), true);
        }
    }
    if (describe(profile) != describe(before)) {
        // Another kind of device: the same files, started afresh as it.
        restartAs(profile, before, wallpaperBefore);
    } else if (change.wallpaper && *change.wallpaper != wallpaperBefore && sim::bootState(device_)) {
        // The home screen judges its wallpaper when it starts.
        respringInBackground();
    }
}

void WebDevice::restartAs(const sim::Profile& profile, const sim::Profile& before, const std::string& wallpaperBefore) {
    joinRespring();
    bool booted = sim::bootState(device_).has_value();
    try {
        if (booted) sim::shutdown(device_);
        sim::writeProfile(device_.profileFile(), profile);
        sim::installDeliverables(device_, profile);
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
    if (!booted) return;
    std::string why;
    try {
        sim::boot(device_, sim::BootOptions{});
        return;
    } catch (const sim::Failure& e) {
        why = e.what();
    }
    // Back to the device that ran.
    std::fprintf(stderr, "orvelle-sim: serve: %s did not start as %s: %s; starting it again as %s\n",
                 device_.folder().c_str(), describe(profile).c_str(), why.c_str(), describe(before).c_str());
    try {
        sim::writeProfile(device_.profileFile(), before);
        sim::installDeliverables(device_, before);
        if (wallpaperOf(device_) != wallpaperBefore) setWallpaper(device_, wallpaperBefore);
        sim::boot(device_, sim::BootOptions{});
    } catch (const sim::Failure& again) {
        throw web::LinkError("the device did not start as " + describe(profile) + " (" + why +
                             "), nor again as before (" + again.what() + ")");
    }
    throw web::LinkError("the device did not start as " + describe(profile) + " (" + why + "); it runs again as before, " +
                         describe(before));
}

void WebDevice::boot() {
    if (sim::bootState(device_)) throw web::LinkError(device_.folder().string() + " is already booted", true);
    try {
        sim::boot(device_, sim::BootOptions{});
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what());
    }
    if (watching_) {
        if (auto t = rt::cast<NSTimer>(retry_)) t->invalidate();
        retry_ = nullptr;
        connectFeed();
    }
}

json WebDevice::crashReports() {
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
        throw web::LinkError(e.what());
    }
    return out;
}

std::string WebDevice::crashReport(const std::string& name) {
    try {
        return crashReportText(device_, name);
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what(), true);
    }
}

}  // namespace cli
