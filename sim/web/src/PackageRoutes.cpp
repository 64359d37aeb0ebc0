#include "PackageRoutes.h"

#include <nlohmann/json.hpp>

namespace web::detail {

using nlohmann::json;

std::optional<Reply> routePackages(PackageLink* packages, const Request& req) {
    const std::string& path = req.path;
    const bool tweaks = path == "/api/tweaks", install = path == kPackageUploadPath,
               remove = path == "/api/packages/remove";
    if (!tweaks && !install && !remove) return std::nullopt;
    if (!packages) return Reply::error(404, "this server manages no packages");
    if (tweaks) {
        if (req.method != "GET" && req.method != "HEAD") return Reply::error(405, "GET " + path);
        return Reply::json(200, packages->tweaks());
    }
    if (req.method != "POST") return Reply::error(405, "POST " + path);
    if (install) {
        std::string type = req.headerOr("Content-Type");
        if (type.rfind("application/vnd.debian.binary-package", 0) != 0 && type.rfind("application/octet-stream", 0) != 0)
            return Reply::error(415, "the body must be the package, as application/vnd.debian.binary-package");
        if (req.body.empty()) return Reply::error(400, "the body must be the package; it is empty");
        std::optional<std::string> name = req.argument ? req.argument("name") : std::nullopt;
        std::string shown = name && !name->empty() && name->size() <= 255 ? *name : "the uploaded package";
        return Reply::json(200, packages->installPackage(shown, req.body));
    }
    if (req.headerOr("Content-Type").rfind("application/json", 0) != 0)
        return Reply::error(415, "the body must be application/json");
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object() || !body.contains("package") || !body["package"].is_string())
        return Reply::error(400, "the body must be { \"package\": NAME }");
    return Reply::json(200, packages->removePackage(body["package"].get<std::string>()));
}

}  // namespace web::detail
