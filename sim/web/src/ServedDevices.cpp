#include "ServedDevices.h"

#include <charconv>
#include <stdexcept>

#include "web/StaticPage.h"

namespace web::detail {

DeviceRoutes::DeviceRoutes(const ServedDevice& served, const std::string& pageFolder, LiveOptions liveOptions)
    : name(served.name), api(*served.link, pageFolder), live(*served.link, liveOptions) {
    api.setPackages(served.packages);
}

std::optional<DevicePath> splitDevicePath(std::string_view path) {
    constexpr std::string_view kPrefix = "/d/";
    if (!path.starts_with(kPrefix)) return DevicePath{0, std::string(path), false};
    std::string_view rest = path.substr(kPrefix.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 4) return std::nullopt;
    std::string_view digits = rest.substr(0, slash);
    if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
    std::size_t n = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return DevicePath{n, std::string(rest.substr(slash)), true};
}

ServedDevices::ServedDevices(const std::vector<ServedDevice>& devices, const std::string& pageFolder,
                             LiveOptions liveOptions)
    : pageFolder_(pageFolder) {
    if (devices.empty()) throw std::invalid_argument("a server serves at least one device");
    for (const ServedDevice& d : devices) {
        if (!d.link) throw std::invalid_argument("the served device \"" + d.name + "\" has no link");
        devices_.push_back(std::make_unique<DeviceRoutes>(d, pageFolder, liveOptions));
    }
}

std::optional<std::pair<DeviceRoutes*, std::string>> ServedDevices::route(std::string_view path) {
    std::optional<DevicePath> split = splitDevicePath(path);
    if (!split || split->device >= devices_.size()) return std::nullopt;
    return std::pair{devices_[split->device].get(), std::move(split->path)};
}

std::optional<Reply> ServedDevices::ownReply(const Request& request) const {
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (request.path == "/api/devices") {
        if (!get) return Reply::error(405, "the list of devices is only read");
        nlohmann::json devices = nlohmann::json::array();
        for (std::size_t i = 0; i < devices_.size(); ++i)
            devices.push_back({{"index", i}, {"name", devices_[i]->name}, {"path", "/d/" + std::to_string(i) + "/"}});
        return Reply::json(200, {{"devices", devices}});
    }
    if (devices_.size() > 1 && get && (request.path == "/" || request.path == "/index.html")) {
        std::optional<PageFile> wall = pageFile("/devices.html", pageFolder_);
        if (!wall) return Reply::error(500, "the page of every device is missing");
        Reply page = Reply::with(200, std::move(wall->contentType), std::move(wall->body));
        page.header("Cache-Control", "no-cache");
        // Each device's page is framed by this one; this one by no page.
        page.header("Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'");
        return page;
    }
    return std::nullopt;
}

void ServedDevices::setPort(int port) {
    for (auto& d : devices_) d->api.setPort(port);
}

std::size_t ServedDevices::livePages() const {
    std::size_t n = 0;
    for (const auto& d : devices_) n += d->live.pages();
    return n;
}

void ServedDevices::closeAll() {
    for (auto& d : devices_) d->live.closeAll();
}

}  // namespace web::detail
