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

Reply Api::answer(const Request& request) {
    try {
        if (auto refused = screen(request)) return *refused;
        return route(request);
    } catch (const Refusal& r) {
        return Reply::error(r.status, r.why);
    } catch (const LinkError& e) {
        ns::logLine("web: " + request.method + " " + request.path + ": " + e.what());
        return Reply::error(e.badRequest() ? 400 : 503, e.what());
    } catch (const std::exception& e) {
        ns::logLine("web: " + request.method + " " + request.path + ": " + e.what());
        return Reply::error(500, e.what());
    }
}

Reply Api::route(const Request& req) {
    const std::string& path = req.path;
    const bool get = isGet(req), post = req.method == "POST";
    if (auto reply = routePackages(packages_, req)) return *reply;

    if (path == "/api/frame.png" && get) {
        const std::string tag = "\"" + std::to_string(device_.frameSerial()) + "\"";
        if (req.headerOr("If-None-Match") == tag) {
            Reply unchanged = Reply::with(304, "", "");
            return unchanged.header("Cache-Control", "no-store").header("ETag", tag);
        }
        std::string png = device_.framePNG();
        if (png.empty()) throw LinkError("the device has no frame yet");
        Reply frame = Reply::with(200, "image/png", std::move(png));
        return frame.header("Cache-Control", "no-store").header("ETag", tag);
    }
    if (path == "/api/status" && get) return Reply::json(200, device_.status());
    if (path == "/api/crashes" && get) {
        std::optional<std::string> name = req.argument ? req.argument("name") : std::nullopt;
        if (!name) return Reply::json(200, {{"reports", device_.crashReports()}});
        // The device's text, shown as text: never as a page of its own.
        Reply report = Reply::with(200, "text/plain; charset=utf-8", device_.crashReport(*name));
        return report.header("Cache-Control", "no-store").header("Content-Security-Policy", "default-src 'none'");
    }
    if (path == "/api/boot" && post) {
        bodyOf(req);
        device_.boot();
        return Reply::json(200, device_.status());
    }
    if (path == "/api/prefs" && get) {
        std::optional<std::string> page = req.argument ? req.argument("page") : std::nullopt;
        return Reply::json(200, device_.prefsPage(page.value_or("")));
    }
    if (path == "/api/touch" && post) {
        json body = bodyOf(req);
        TouchPhase phase = phaseOf(stringField(body, "phase"));
        double x = coordinate(body, "x"), y = coordinate(body, "y");
        std::optional<std::uint64_t> number = touchNumber(body);
        // A move older than what the device already has would pull the finger
        // back; a press starts the count again (a page loaded anew counts from 1).
        if (number && phase == TouchPhase::Move && lastTouch_ && *number <= *lastTouch_)
            return Reply::json(200, json{{"stale", true}});
        device_.touch(phase, x, y);
        if (number) lastTouch_ = phase == TouchPhase::Down ? *number : std::max(*number, lastTouch_.value_or(0));
        return Reply::json(200, json::object());
    }
    if (path == "/api/prefs/set" && post) {
        json body = bodyOf(req);
        std::string page = stringField(body, "page", false);
        std::string key = stringField(body, "key");
        if (!body.contains("value")) throw Refusal{400, "missing \"value\""};
        return Reply::json(200, device_.prefsSet(page, key, body["value"]));
    }
    if (path == "/api/prefs/press" && post) {
        json body = bodyOf(req);
        std::string page = stringField(body, "page", false);
        std::string action = stringField(body, "action");
        return Reply::json(200, device_.prefsPress(page, action));
    }
    if (path == "/api/prefs/alert" && post) {
        json body = bodyOf(req);
        auto it = body.find("button");
        if (it == body.end() || !it->is_number_integer() || it->get<long>() < 0)
            throw Refusal{400, "\"button\" must be a button's index"};
        return Reply::json(200, device_.prefsAlertButton(it->get<long>()));
    }
    if (path == "/api/weather" && post) {
        json body = bodyOf(req);
        WeatherReport w{weatherValue(body, "temperature"), weatherValue(body, "location"),
                        weatherValue(body, "conditions"), weatherValue(body, "icon")};
        device_.setWeather(w);
        return Reply::json(200, device_.status());
    }
    if (path == "/api/media" && post) {
        json body = bodyOf(req);
        auto it = body.find("playing");
        if (it == body.end() || !it->is_boolean()) throw Refusal{400, "\"playing\" must be true or false"};
        device_.setMedia(it->get<bool>());
        return Reply::json(200, device_.status());
    }
    if (path == "/api/respring" && post) {
        bodyOf(req);
        device_.respring();
        return Reply::json(200, json::object());
    }
    if (path == "/api/device" && post) {
        json body = bodyOf(req);
        DeviceChange c{optionalString(body, "systemVersion"), optionalString(body, "screen"),
                       optionalString(body, "timeZone"), optionalString(body, "locale"),
                       optionalString(body, "wallpaper")};
        device_.change(c);
        return Reply::json(200, device_.status());
    }
    if (path.rfind("/api/", 0) == 0) return Reply::error(404, "no such request: " + req.method + " " + path);

    // Everything else is the page's own files or nothing.
    std::optional<PageFile> file = get ? pageFile(path, pageFolder_) : std::nullopt;
    if (!file) return Reply::error(404, "no such page file");
    Reply page = Reply::with(200, std::move(file->contentType), std::move(file->body));
    page.header("Cache-Control", "no-cache");
    page.header("Content-Security-Policy", "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'none'");
    return page;
}

}  // namespace web::detail
