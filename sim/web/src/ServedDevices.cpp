#include "ServedDevices.h"

#include <charconv>
#include <stdexcept>

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
                             LiveOptions liveOptions) {
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

nlohmann::json ServedDevices::list() const {
    nlohmann::json devices = nlohmann::json::array();
    for (std::size_t i = 0; i < devices_.size(); ++i)
        devices.push_back({{"index", i}, {"name", devices_[i]->name}, {"path", "/d/" + std::to_string(i) + "/"}});
    return {{"devices", devices}};
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
