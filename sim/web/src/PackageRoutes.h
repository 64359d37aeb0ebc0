// The Tweaks panel's routes, a group apart from the others:
//
//   GET  /api/tweaks                               the device's tweaks and packages
//   POST /api/packages/install?name=FILE.deb       the body is the package itself
//        (Content-Type application/vnd.debian.binary-package or application/octet-stream)
//   POST /api/packages/remove   { "package": "com.example.x" }
//
// The install route alone takes a body as large as a package may be.
#pragma once

#include <optional>
#include <string_view>

#include "Api.h"
#include "web/PackageLink.h"

namespace web::detail {

inline constexpr std::string_view kPackageUploadPath = "/api/packages/install";

// True when the request is one of the group's, answered through `respond`
// (now or once the device answers). Throws what Api::answer turns into error replies.
bool routePackages(PackageLink* packages, const Request& request, const Respond& respond);

}  // namespace web::detail
