// The web simulator's routes: a request, whole, to its reply, now or once the
// device answers. It knows HTTP only as text (method, path, headers,
// arguments, body) and the device only through its DeviceLink, so it is the
// same for every connection and for none.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Reply.h"
#include "web/DeviceLink.h"
#include "web/PackageLink.h"

namespace web::detail {

// The one request besides the package upload whose body may be large: a picture.
inline constexpr std::string_view kWallpaperUploadPath = "/api/wallpaper";

using Respond = std::function<void(Reply)>;

struct Request {
    std::string method;  // "GET", "HEAD", "POST", ...
    std::string path;    // decoded, without the query
    std::string body;
    // A header by name (any case); an argument of the query by name, decoded.
    std::function<std::optional<std::string>(const char* name)> header;
    std::function<std::optional<std::string>(const char* name)> argument;

    std::string headerOr(const char* name, std::string fallback = {}) const;
};

class Api {
public:
    Api(DeviceLink& device, std::string pageFolder);

    // The port the page is served on: Host and Origin must name it.
    void setPort(int port) { port_ = port; }
    // The Tweaks panel's routes answer through this (none without it).
    void setPackages(PackageLink* packages) { packages_ = packages; }

    // A refusal that the head alone decides (a foreign Host or Origin), so
    // that no body is read for it; nothing when the request may go on.
    std::optional<Reply> screen(const Request& head) const;
    // Answers a whole request through `respond`, once: at once, or when the
    // device answers. Never throws: a refused request, a device's failure or
    // a fault of its own is an error reply, and the last two are one line in
    // the log.
    void answer(const Request& request, Respond respond);

private:
    void route(const Request& request, const Respond& respond);
    Then<nlohmann::json> thenStatus(Respond respond, std::string what);

    DeviceLink& device_;
    std::string pageFolder_;
    int port_ = 0;
    PackageLink* packages_ = nullptr;
    // The number of the newest touch forwarded: the page sends moves without
    // waiting for each answer, so one may arrive after a newer one.
    std::optional<std::uint64_t> lastTouch_;
};

}  // namespace web::detail
