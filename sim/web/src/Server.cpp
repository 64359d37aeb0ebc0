#include "web/Server.h"

#include <httplib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "web/RequestGuard.h"
#include "web/StaticPage.h"

namespace web {

using nlohmann::json;

namespace {

// A request the server turns down before the device sees it.
struct Refusal {
    int status;
    std::string why;
};

void sendJSON(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body.dump(), "application/json");
}

void sendError(httplib::Response& res, int status, const std::string& why) { sendJSON(res, status, {{"error", why}}); }

// The JSON body of a POST: an object, sent as JSON.
json bodyOf(const httplib::Request& req) {
    const std::string type = req.get_header_value("Content-Type");
    if (type.rfind("application/json", 0) != 0) throw Refusal{415, "the body must be application/json"};
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

double coordinate(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end() || !it->is_number()) throw Refusal{400, std::string("\"") + key + "\" must be a number"};
    double v = it->get<double>();
    if (!std::isfinite(v)) throw Refusal{400, std::string("\"") + key + "\" must be finite"};
    return v;
}

}  // namespace

struct Server::Impl {
    DeviceLink& device;
    ServerOptions options;
    httplib::Server http;
    std::thread thread;
    std::mutex deviceLock;  // the device is asked one thing at a time
    int port = 0;

    Impl(DeviceLink& d, ServerOptions o) : device(d), options(std::move(o)) {}

    // Runs a handler that talks to the device, mapping refusals and the
    // device's errors to statuses; every failure is one line on standard error.
    template <class F>
    static httplib::Server::Handler guarded(F f) {
        return [f](const httplib::Request& req, httplib::Response& res) {
            try {
                f(req, res);
            } catch (const Refusal& r) {
                sendError(res, r.status, r.why);
            } catch (const LinkError& e) {
                std::fprintf(stderr, "web: %s %s: %s\n", req.method.c_str(), req.path.c_str(), e.what());
                sendError(res, e.badRequest() ? 400 : 503, e.what());
            } catch (const std::exception& e) {
                std::fprintf(stderr, "web: %s %s: %s\n", req.method.c_str(), req.path.c_str(), e.what());
                sendError(res, 500, e.what());
            }
        };
    }

    void routes() {
        // Address reuse only: the library's default also shares the port
        // (SO_REUSEPORT), which would let a second server on the same port
        // quietly take half of the page's requests.
        http.set_socket_options([](socket_t sock) {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        http.set_payload_max_length(options.maxBodyBytes);
        http.set_read_timeout(5, 0);
        http.set_write_timeout(5, 0);

        http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            if (!hostAllowed(req.get_header_value("Host"), port)) {
                sendError(res, 403, "this server answers only to http://127.0.0.1:" + std::to_string(port));
                return httplib::Server::HandlerResponse::Handled;
            }
            if (!originAllowed(req.get_header_value("Origin"), port)) {
                sendError(res, 403, "requests from other sites are refused");
                return httplib::Server::HandlerResponse::Handled;
            }
            res.set_header("X-Content-Type-Options", "nosniff");
            res.set_header("X-Frame-Options", "DENY");
            return httplib::Server::HandlerResponse::Unhandled;
        });

        http.Get("/api/frame.png", guarded([this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard guard(deviceLock);
            const std::string tag = "\"" + std::to_string(device.frameSerial()) + "\"";
            res.set_header("Cache-Control", "no-store");
            res.set_header("ETag", tag);
            if (req.get_header_value("If-None-Match") == tag) {
                res.status = 304;
                return;
            }
            std::string png = device.framePNG();
            if (png.empty()) throw LinkError("the device has no frame yet");
            res.set_content(std::move(png), "image/png");
        }));
        http.Get("/api/status", guarded([this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard guard(deviceLock);
            sendJSON(res, 200, device.status());
        }));
        http.Post("/api/touch", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            std::string phase = stringField(body, "phase");
            TouchPhase p;
            if (phase == "down") p = TouchPhase::Down;
            else if (phase == "move") p = TouchPhase::Move;
            else if (phase == "up") p = TouchPhase::Up;
            else throw Refusal{400, "\"phase\" must be down, move or up"};
            double x = coordinate(body, "x"), y = coordinate(body, "y");
            std::lock_guard guard(deviceLock);
            device.touch(p, x, y);
            sendJSON(res, 200, json::object());
        }));
        http.Get("/api/prefs", guarded([this](const httplib::Request& req, httplib::Response& res) {
            std::string page = req.has_param("page") ? req.get_param_value("page") : "";
            std::lock_guard guard(deviceLock);
            sendJSON(res, 200, device.prefsPage(page));
        }));
        http.Post("/api/prefs/set", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            std::string page = stringField(body, "page", false);
            std::string key = stringField(body, "key");
            if (!body.contains("value")) throw Refusal{400, "missing \"value\""};
            std::lock_guard guard(deviceLock);
            sendJSON(res, 200, device.prefsSet(page, key, body["value"]));
        }));
        http.Post("/api/prefs/press", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            std::string page = stringField(body, "page", false);
            std::string action = stringField(body, "action");
            std::lock_guard guard(deviceLock);
            sendJSON(res, 200, device.prefsPress(page, action));
        }));
        http.Post("/api/prefs/alert", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            auto it = body.find("button");
            if (it == body.end() || !it->is_number_integer() || it->get<long>() < 0)
                throw Refusal{400, "\"button\" must be a button's index"};
            std::lock_guard guard(deviceLock);
            sendJSON(res, 200, device.prefsAlertButton(it->get<long>()));
        }));
        http.Post("/api/weather", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            WeatherReport w{stringField(body, "temperature", false), stringField(body, "location", false),
                            stringField(body, "conditions", false), stringField(body, "icon", false)};
            std::lock_guard guard(deviceLock);
            device.setWeather(w);
            sendJSON(res, 200, device.status());
        }));
        http.Post("/api/media", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            auto it = body.find("playing");
            if (it == body.end() || !it->is_boolean()) throw Refusal{400, "\"playing\" must be true or false"};
            std::lock_guard guard(deviceLock);
            device.setMedia(it->get<bool>());
            sendJSON(res, 200, device.status());
        }));
        http.Post("/api/respring", guarded([this](const httplib::Request& req, httplib::Response& res) {
            bodyOf(req);
            std::lock_guard guard(deviceLock);
            device.respring();
            sendJSON(res, 200, json::object());
        }));
        http.Post("/api/device", guarded([this](const httplib::Request& req, httplib::Response& res) {
            json body = bodyOf(req);
            DeviceChange c{optionalString(body, "systemVersion"), optionalString(body, "screen"),
                           optionalString(body, "timeZone"), optionalString(body, "locale"),
                           optionalString(body, "wallpaper")};
            std::lock_guard guard(deviceLock);
            device.change(c);
            sendJSON(res, 200, device.status());
        }));

        // Everything else is the page's own files or nothing.
        http.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            std::optional<PageFile> file = pageFile(req.path, options.pageFolder);
            if (!file) {
                sendError(res, 404, "no such page file");
                return;
            }
            res.set_header("Cache-Control", "no-cache");
            res.set_header("Content-Security-Policy",
                           "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'none'");
            res.set_content(std::move(file->body), file->contentType.c_str());
        });
    }
};

Server::Server(DeviceLink& device, ServerOptions options) : impl_(std::make_unique<Impl>(device, std::move(options))) {
    impl_->routes();
}

Server::~Server() { stop(); }

std::string Server::start() {
    if (impl_->thread.joinable()) return "the server is already running on port " + std::to_string(impl_->port);
    if (impl_->options.port < 0 || impl_->options.port > 65535)
        return "port " + std::to_string(impl_->options.port) + " is out of range";
    if (impl_->options.port == 0) {
        impl_->port = impl_->http.bind_to_any_port("127.0.0.1");
        if (impl_->port <= 0) return "could not bind 127.0.0.1 to any port";
    } else {
        if (!impl_->http.bind_to_port("127.0.0.1", impl_->options.port))
            return "could not bind 127.0.0.1:" + std::to_string(impl_->options.port) + " (in use?)";
        impl_->port = impl_->options.port;
    }
    impl_->thread = std::thread([this] { impl_->http.listen_after_bind(); });
    return {};
}

void Server::stop() {
    if (!impl_->thread.joinable()) return;
    // A stop that comes before the listening loop has begun would be lost, and
    // the thread would serve on: wait (briefly) until it runs.
    for (int i = 0; i < 2000 && !impl_->http.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->http.stop();
    impl_->thread.join();
}

int Server::port() const { return impl_->port; }

std::string Server::address() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

}  // namespace web
