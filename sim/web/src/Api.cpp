#include "Api.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "PackageRoutes.h"
#include "foundation/Log.h"
#include "web/RequestGuard.h"
#include "web/StaticPage.h"

namespace web::detail {

using nlohmann::json;

namespace {

// A request turned down before the device sees it.
struct Refusal {
    int status;
    std::string why;
};

// The JSON body of a POST: an object, sent as JSON.
json bodyOf(const Request& req) {
    // A body sent with neither a length nor chunks is no body: it is never read.
    if (req.body.empty()) throw Refusal{400, "a POST needs a JSON body, its length declared or sent in chunks"};
    if (req.headerOr("Content-Type").rfind("application/json", 0) != 0)
        throw Refusal{415, "the body must be application/json"};
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw Refusal{400, "the body is not a JSON object"};
    return body;
}

std::string stringField(const json& body, const char* key, bool required = true) {
    auto it = body.find(key);
    if (it == body.end() || it->is_null()) {
        if (required) throw Refusal{400, std::string("missing \"") + key + "\""};
        return {};
    }
    if (!it->is_string()) throw Refusal{400, std::string("\"") + key + "\" must be a string"};
    return it->get<std::string>();
}

std::optional<std::string> optionalString(const json& body, const char* key) {
    if (!body.contains(key) || body[key].is_null()) return std::nullopt;
    return stringField(body, key);
}

// Status bar overrides as the page sends them: each value checked here, the
// carrier's text again by the home screen.
wire::StatusBar statusBarOf(const json& body) {
    wire::StatusBar o;
    auto whole = [&](const char* key, int low, int high) -> std::optional<int> {
        auto it = body.find(key);
        if (it == body.end() || it->is_null()) return std::nullopt;
        if (!it->is_number_integer() || it->get<long>() < low || it->get<long>() > high)
            throw Refusal{400, std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) + " to " +
                                   std::to_string(high)};
        return static_cast<int>(it->get<long>());
    };
    auto flag = [&](const char* key) -> std::optional<bool> {
        auto it = body.find(key);
        if (it == body.end() || it->is_null()) return std::nullopt;
        if (!it->is_boolean()) throw Refusal{400, std::string("\"") + key + "\" must be true or false"};
        return it->get<bool>();
    };
    if (auto clear = flag("clear")) o.set_clear(*clear);
    if (auto carrier = optionalString(body, "carrier")) o.set_carrier(*carrier);
    if (auto signal = whole("signal", 0, 4)) o.set_signal(*signal);
    if (auto battery = whole("battery", 0, 100)) o.set_battery(*battery);
    if (auto charging = flag("charging")) o.set_charging(*charging);
    if (o.clear() && (o.has_carrier() || o.has_signal() || o.has_battery() || o.has_charging()))
        throw Refusal{400, "\"clear\" goes alone"};
    return o;
}

// A value of a weather report: a text sets it, null clears it, absent or an
// empty text keeps the device's.
WeatherValue weatherValue(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end()) return std::nullopt;
    if (it->is_null()) return WeatherValue{std::in_place};
    std::string text = stringField(body, key);
    if (text.empty()) return std::nullopt;
    return text;
}

double coordinate(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end() || !it->is_number()) throw Refusal{400, std::string("\"") + key + "\" must be a number"};
    double v = it->get<double>();
    if (!std::isfinite(v)) throw Refusal{400, std::string("\"") + key + "\" must be finite"};
    return v;
}

// A touch's number ("seq"), when the page gave one.
std::optional<std::uint64_t> touchNumber(const json& body) {
    auto it = body.find("seq");
    if (it == body.end()) return std::nullopt;
    if (!it->is_number_unsigned()) throw Refusal{400, "\"seq\" must be a whole number from 0"};
    return it->get<std::uint64_t>();
}

TouchPhase phaseOf(const std::string& phase) {
    if (phase == "down") return TouchPhase::Down;
    if (phase == "move") return TouchPhase::Move;
    if (phase == "up") return TouchPhase::Up;
    throw Refusal{400, "\"phase\" must be down, move or up"};
}

// One change of the device's clock as the page sends it: exactly one of
// "action" (pause, resume, real), "set" (with "timeZone" or not), "advance"
// (seconds) and "rate"; the device checks the time and the zone again.
wire::ClockRequest clockChangeOf(const json& body) {
    wire::ClockRequest c;
    int given = 0;
    if (auto action = optionalString(body, "action")) {
        ++given;
        if (*action == "pause") c.mutable_pause();
        else if (*action == "resume") c.mutable_resume();
        else if (*action == "real") c.mutable_real();
        else throw Refusal{400, "\"action\" must be pause, resume or real"};
    }
    if (auto set = optionalString(body, "set")) {
        ++given;
        c.set_set(*set);
        if (auto zone = optionalString(body, "timeZone")) c.set_time_zone(*zone);
    } else if (body.contains("timeZone")) {
        throw Refusal{400, "\"timeZone\" goes with \"set\""};
    }
    if (auto it = body.find("advance"); it != body.end()) {
        ++given;
        if (!it->is_number()) throw Refusal{400, "\"advance\" must be a number of seconds, forward or (negative) back"};
        c.set_advance(it->get<double>());
    }
    if (auto it = body.find("rate"); it != body.end()) {
        ++given;
        const char* accepted = "\"rate\" must be a number above 0 and at most 3600 (x1, x10, x60, x3600)";
        if (!it->is_number()) throw Refusal{400, accepted};
        const double rate = it->get<double>();
        if (!(rate > 0 && rate <= 3600)) throw Refusal{400, accepted};
        c.set_rate(rate);
    }
    if (given != 1) throw Refusal{400, "give one of \"action\", \"set\", \"advance\" and \"rate\""};
    return c;
}

// A notification as the page posts it; the home screen checks the limits.
wire::NotifyRequest postOf(const json& body) {
    wire::NotifyRequest r;
    wire::NotificationPost& p = *r.mutable_post();
    p.set_app(stringField(body, "app"));
    p.set_title(stringField(body, "title", false));
    p.set_body(stringField(body, "body", false));
    p.set_at(stringField(body, "at", false));
    return r;
}

wire::NotifyRequest clearOf(const json& body) {
    wire::NotifyRequest r;
    auto all = body.find("all");
    auto id = body.find("id");
    if (all != body.end() && id == body.end() && all->is_boolean() && all->get<bool>()) {
        r.mutable_clear_all();
    } else if (id != body.end() && all == body.end() && id->is_number_unsigned() && id->get<std::uint64_t>() >= 1 &&
               id->get<std::uint64_t>() <= 0xFFFFFFFFu) {
        r.set_clear(static_cast<std::uint32_t>(id->get<std::uint64_t>()));
    } else {
        throw Refusal{400, "give { \"id\": a notification's number } or { \"all\": true }"};
    }
    return r;
}

bool isGet(const Request& req) { return req.method == "GET" || req.method == "HEAD"; }

}  // namespace

std::string Request::headerOr(const char* name, std::string fallback) const {
    std::optional<std::string> value = header ? header(name) : std::nullopt;
    return value ? *value : std::move(fallback);
}

Api::Api(DeviceLink& device, std::string pageFolder) : device_(device), pageFolder_(std::move(pageFolder)) {}

std::optional<Reply> Api::screen(const Request& head) const {
    if (!hostAllowed(head.headerOr("Host"), port_))
        return Reply::error(403, "this server answers only to http://127.0.0.1:" + std::to_string(port_));
    if (!originAllowed(head.headerOr("Origin"), port_)) return Reply::error(403, "requests from other sites are refused");
    return std::nullopt;
}

namespace {

// The JSON a device answers as the reply; its refusal as an error reply, and
// its failure also in the log.
Then<json> replying(Respond respond, std::string what) {
    return [respond = std::move(respond), what = std::move(what)](Outcome<json> outcome) {
        if (outcome.ok()) return respond(Reply::json(200, outcome.value()));
        const LinkError& e = outcome.error();
        if (!e.badRequest()) ns::logLine("web: " + what + ": " + e.what());
        respond(Reply::error(e.badRequest() ? 400 : 503, e.what()));
    };
}

}  // namespace

// A change's reply is the device's status once the change is done.
Then<json> Api::thenStatus(Respond respond, std::string what) {
    return [this, respond, what](Outcome<json> done) {
        if (!done.ok()) return replying(respond, what)(std::move(done));
        device_.status(replying(respond, what));
    };
}

void Api::answer(const Request& request, Respond respond) {
    try {
        if (auto refused = screen(request)) return respond(*refused);
        route(request, respond);
    } catch (const Refusal& r) {
        respond(Reply::error(r.status, r.why));
    } catch (const LinkError& e) {
        ns::logLine("web: " + request.method + " " + request.path + ": " + e.what());
        respond(Reply::error(e.badRequest() ? 400 : 503, e.what()));
    } catch (const std::exception& e) {
        ns::logLine("web: " + request.method + " " + request.path + ": " + e.what());
        respond(Reply::error(500, e.what()));
    }
}

void Api::route(const Request& req, const Respond& respond) {
    const std::string& path = req.path;
    const bool get = isGet(req), post = req.method == "POST";
    const std::string what = req.method + " " + path;
    if (routePackages(packages_, req, respond)) return;

    if (path == "/api/frame.png" && get) {
        const std::string tag = "\"" + std::to_string(device_.frameSerial()) + "\"";
        if (req.headerOr("If-None-Match") == tag) {
            Reply unchanged = Reply::with(304, "", "");
            return respond(unchanged.header("Cache-Control", "no-store").header("ETag", tag));
        }
        return device_.framePNG([respond, tag, what](Outcome<std::string> png) {
            if (!png.ok()) {
                ns::logLine("web: " + what + ": " + png.error().what());
                return respond(Reply::error(503, png.error().what()));
            }
            if (png.value().empty()) return respond(Reply::error(503, "the device has no frame yet"));
            Reply frame = Reply::with(200, "image/png", std::move(png.value()));
            respond(frame.header("Cache-Control", "no-store").header("ETag", tag));
        });
    }
    if (path == "/api/status" && get) return device_.status(replying(respond, what));
    if (path == "/api/crashes" && get) {
        std::optional<std::string> name = req.argument ? req.argument("name") : std::nullopt;
        if (!name)
            return device_.crashReports([respond, what](Outcome<json> reports) {
                if (!reports.ok()) return replying(respond, what)(std::move(reports));
                respond(Reply::json(200, {{"reports", reports.value()}}));
            });
        return device_.crashReport(*name, [respond](Outcome<std::string> text) {
            if (!text.ok()) return respond(Reply::error(text.error().badRequest() ? 400 : 503, text.error().what()));
            // The device's text, shown as text: never as a page of its own.
            Reply report = Reply::with(200, "text/plain; charset=utf-8", std::move(text.value()));
            respond(report.header("Cache-Control", "no-store").header("Content-Security-Policy", "default-src 'none'"));
        });
    }
    if (path == "/api/view-tree" && get)
        return device_.viewTree([respond, what](Outcome<std::string> tree) {
            if (!tree.ok()) return respond(Reply::error(tree.error().badRequest() ? 400 : 503, tree.error().what()));
            // The device's own document, passed on unread: the page parses it and shows it as text.
            Reply dump = Reply::with(200, "application/json", std::move(tree.value()));
            respond(dump.header("Cache-Control", "no-store").header("Content-Security-Policy", "default-src 'none'"));
        });
    if (path == "/api/preview" && post) {
        bodyOf(req);
        return device_.preview([respond, what](Outcome<std::string> png) {
            if (!png.ok()) {
                if (!png.error().badRequest()) ns::logLine("web: " + what + ": " + png.error().what());
                return respond(Reply::error(png.error().badRequest() ? 400 : 503, png.error().what()));
            }
            Reply picture = Reply::with(200, "image/png", std::move(png.value()));
            respond(picture.header("Cache-Control", "no-store"));
        });
    }
    if (path == "/api/boot" && post) {
        bodyOf(req);
        return device_.boot(thenStatus(respond, what));
    }
    if (path == "/api/prefs" && get) {
        std::optional<std::string> page = req.argument ? req.argument("page") : std::nullopt;
        return device_.prefsPage(page.value_or(""), replying(respond, what));
    }
    if (path == "/api/touch" && post) {
        json body = bodyOf(req);
        TouchPhase phase = phaseOf(stringField(body, "phase"));
        double x = coordinate(body, "x"), y = coordinate(body, "y");
        std::optional<std::uint64_t> number = touchNumber(body);
        // A move older than what the device already has would pull the finger
        // back; a press starts the count again (a page loaded anew counts from 1).
        if (number && phase == TouchPhase::Move && lastTouch_ && *number <= *lastTouch_)
            return respond(Reply::json(200, json{{"stale", true}}));
        if (number) lastTouch_ = phase == TouchPhase::Down ? *number : std::max(*number, lastTouch_.value_or(0));
        wire::Touch touch;
        touch.set_phase(phase == TouchPhase::Down ? wire::Touch::DOWN : phase == TouchPhase::Move ? wire::Touch::MOVE
                                                                                                 : wire::Touch::UP);
        touch.set_x(x);
        touch.set_y(y);
        touch.set_seq(static_cast<std::uint32_t>(number.value_or(0)));
        return device_.touch(touch, replying(respond, what));
    }
    if (path == "/api/prefs/set" && post) {
        json body = bodyOf(req);
        std::string page = stringField(body, "page", false);
        std::string key = stringField(body, "key");
        if (!body.contains("value")) throw Refusal{400, "missing \"value\""};
        return device_.prefsSet(page, key, body["value"], replying(respond, what));
    }
    if (path == "/api/prefs/press" && post) {
        json body = bodyOf(req);
        std::string page = stringField(body, "page", false);
        std::string action = stringField(body, "action");
        return device_.prefsPress(page, action, replying(respond, what));
    }
    if (path == "/api/prefs/alert" && post) {
        json body = bodyOf(req);
        auto it = body.find("button");
        if (it == body.end() || !it->is_number_integer() || it->get<long>() < 0)
            throw Refusal{400, "\"button\" must be a button's index"};
        return device_.prefsAlertButton(it->get<long>(), replying(respond, what));
    }
    if (path == "/api/weather" && post) {
        json body = bodyOf(req);
        WeatherReport w{weatherValue(body, "temperature"), weatherValue(body, "location"),
                        weatherValue(body, "conditions"), weatherValue(body, "icon")};
        return device_.setWeather(w, thenStatus(respond, what));
    }
    if (path == "/api/media" && post) {
        json body = bodyOf(req);
        auto it = body.find("playing");
        if (it == body.end() || !it->is_boolean()) throw Refusal{400, "\"playing\" must be true or false"};
        return device_.setMedia(it->get<bool>(), thenStatus(respond, what));
    }
    if (path == kWallpaperUploadPath && post) {
        std::string type = req.headerOr("Content-Type");
        if (type.rfind("image/png", 0) != 0 && type.rfind("image/jpeg", 0) != 0)
            throw Refusal{415, "the body must be the picture, as image/png or image/jpeg"};
        if (req.body.empty()) throw Refusal{400, "the body must be the picture; it is empty"};
        return device_.setWallpaperPicture(req.body, thenStatus(respond, what));
    }
    if (path == "/api/lock" && post) {
        json body = bodyOf(req);
        auto it = body.find("locked");
        if (it == body.end() || !it->is_boolean()) throw Refusal{400, "\"locked\" must be true or false"};
        return device_.setLock(it->get<bool>(), replying(respond, what));
    }
    if (path == "/api/statusbar" && post) return device_.setStatusBar(statusBarOf(bodyOf(req)), replying(respond, what));
    if (path == "/api/clock" && get) return device_.clock(wire::ClockRequest{}, replying(respond, what));
    if (path == "/api/clock" && post) return device_.clock(clockChangeOf(bodyOf(req)), replying(respond, what));
    if (path == "/api/notifications" && get) {
        wire::NotifyRequest list;
        list.mutable_list();
        return device_.notify(list, replying(respond, what));
    }
    if (path == "/api/notifications" && post) return device_.notify(postOf(bodyOf(req)), replying(respond, what));
    if (path == "/api/notifications/clear" && post) return device_.notify(clearOf(bodyOf(req)), replying(respond, what));
    if (path == "/api/respring" && post) {
        bodyOf(req);
        return device_.respring(replying(respond, what));
    }
    if (path == "/api/device" && post) {
        json body = bodyOf(req);
        DeviceChange c{optionalString(body, "model"),    optionalString(body, "systemVersion"),
                       optionalString(body, "screen"),   optionalString(body, "timeZone"),
                       optionalString(body, "locale"),   optionalString(body, "wallpaper")};
        return device_.change(c, thenStatus(respond, what));
    }
    if (path.rfind("/api/", 0) == 0) return respond(Reply::error(404, "no such request: " + req.method + " " + path));

    // Everything else is the page's own files or nothing.
    std::optional<PageFile> file = get ? pageFile(path, pageFolder_) : std::nullopt;
    if (!file) return respond(Reply::error(404, "no such page file"));
    Reply page = Reply::with(200, std::move(file->contentType), std::move(file->body));
    page.header("Cache-Control", "no-cache");
    // The page of every device shows each device's page in a frame of its own; no other site may.
    page.header("Content-Security-Policy", "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'self'");
    respond(std::move(page));
}

}  // namespace web::detail
