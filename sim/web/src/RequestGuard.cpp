#include "web/RequestGuard.h"

#include <cctype>
#include <string>

namespace web {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "NAME:PORT" with NAME the loopback address or "localhost".
bool loopbackAuthority(std::string_view authority, int port) {
    auto colon = authority.rfind(':');
    if (colon == std::string_view::npos) return false;
    std::string_view name = authority.substr(0, colon);
    std::string_view portText = authority.substr(colon + 1);
    if (portText != std::to_string(port)) return false;
    return name == "127.0.0.1" || equalsIgnoringCase(name, "localhost");
}

}  // namespace

bool hostAllowed(std::string_view host, int port) { return port > 0 && loopbackAuthority(host, port); }

bool originAllowed(std::string_view origin, int port) {
    if (origin.empty()) return true;  // not sent by a browser for same-origin GETs, nor by command-line clients
    constexpr std::string_view kScheme = "http://";
    if (origin.substr(0, kScheme.size()) != kScheme) return false;
    return port > 0 && loopbackAuthority(origin.substr(kScheme.size()), port);
}

}  // namespace web
