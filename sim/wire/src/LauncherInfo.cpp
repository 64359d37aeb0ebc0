#include "wire/LauncherInfo.h"

#include <limits>

#include <nlohmann/json.hpp>

namespace wire {

namespace {
// The launcher writes a few dozen bytes; what is longer is not its.
constexpr std::size_t kLongestInfo = 4096;
}  // namespace

std::optional<int> launcherChildPid(std::string_view info) {
    if (info.size() > kLongestInfo) return std::nullopt;
    auto end = info.find('}');
    if (end == std::string_view::npos) return std::nullopt;
    nlohmann::json object = nlohmann::json::parse(info.substr(0, end + 1), nullptr, false);
    if (!object.is_object()) return std::nullopt;
    auto pid = object.find("child-pid");
    if (pid == object.end() || !pid->is_number_integer()) return std::nullopt;
    long long value = pid->get<long long>();
    if (value <= 0 || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace wire
