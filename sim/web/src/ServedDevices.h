// The devices one server serves, each with its own routes and its own live
// pages, and which of them a request names: "/d/N/..." is device N (its page,
// its API, its live connection), and every other path is the first device's,
// so a server of one device answers as it always did.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Api.h"
#include "LiveHub.h"
#include "web/Server.h"

namespace web::detail {

struct DeviceRoutes {
    DeviceRoutes(const ServedDevice& served, const std::string& pageFolder, LiveOptions liveOptions);
    std::string name;
    Api api;
    LiveHub live;
};

// A request path split into the device it names and the path that device answers.
struct DevicePath {
    std::size_t device = 0;
    std::string path;  // "/api/status", "/" ...
    bool prefixed = false;
};

// "/d/N/REST" names device N (N a number of at most four digits, no sign, no
// leading zero) and REST; "/d/N" alone, or a malformed N, names no device.
// Any other path is the first device's, unchanged.
std::optional<DevicePath> splitDevicePath(std::string_view path);

class ServedDevices {
public:
    ServedDevices(const std::vector<ServedDevice>& devices, const std::string& pageFolder, LiveOptions liveOptions);

    std::size_t size() const { return devices_.size(); }
    DeviceRoutes& at(std::size_t i) { return *devices_.at(i); }
    // The device a path names and its own path; nothing for a device not served.
    std::optional<std::pair<DeviceRoutes*, std::string>> route(std::string_view path);

    // What the server answers itself, before any device: GET /api/devices
    // ({ "devices": [ { "index": 0, "name": "phone", "path": "/d/0/" }, ... ] })
    // and, with several devices, the page of them all at "/".
    std::optional<Reply> ownReply(const Request& request) const;
    void setPort(int port);
    std::size_t livePages() const;
    void closeAll();

private:
    std::vector<std::unique_ptr<DeviceRoutes>> devices_;
    std::string pageFolder_;
};

}  // namespace web::detail
