// Which requests the web simulator answers. It serves the loopback address
// only, and a page from any other site must not reach it through a name that
// happens to resolve to this machine (DNS rebinding), so the Host and Origin
// a browser sends must name the address and port served.
#pragma once

#include <string_view>

namespace web {

// "127.0.0.1:PORT" or "localhost:PORT" (the name in any case).
bool hostAllowed(std::string_view host, int port);
// No Origin (an empty one), "http://127.0.0.1:PORT" or "http://localhost:PORT".
bool originAllowed(std::string_view origin, int port);

}  // namespace web
