#include "PackageRoutes.h"

#include <nlohmann/json.hpp>

namespace web::detail {

using nlohmann::json;

namespace {

Then<json> replying(const Respond& respond) {
    return [respond](Outcome<json> outcome) {
        if (outcome.ok()) return respond(Reply::json(200, outcome.value()));
        respond(Reply::error(outcome.error().badRequest() ? 400 : 503, outcome.error().what()));
    };
}

}  // namespace

bool routePackages(PackageLink* packages, const Request& req, const Respond& respond) {
    const std::string& path = req.path;
    const bool tweaks = path == "/api/tweaks", install = path == kPackageUploadPath,
               remove = path == "/api/packages/remove";
    if (!tweaks && !install && !remove) return false;
    if (!packages) return respond(Reply::error(404, "this server manages no packages")), true;
    if (tweaks) {
        if (req.method != "GET" && req.method != "HEAD") return respond(Reply::error(405, "GET " + path)), true;
        return packages->tweaks(replying(respond)), true;
    }
    if (req.method != "POST") return respond(Reply::error(405, "POST " + path)), true;
    if (install) {
        std::string type = req.headerOr("Content-Type");
        if (type.rfind("application/vnd.debian.binary-package", 0) != 0 && type.rfind("application/octet-stream", 0) != 0)
            return respond(Reply::error(415, "the body must be the package, as application/vnd.debian.binary-package")),
                   true;
        if (req.body.empty()) return respond(Reply::error(400, "the body must be the package; it is empty")), true;
        std::optional<std::string> name = req.argument ? req.argument("name") : std::nullopt;
        std::string shown = name && !name->empty() && name->size() <= 255 ? *name : "the uploaded package";
        return packages->installPackage(shown, req.body, replying(respond)), true;
    }
    if (req.headerOr("Content-Type").rfind("application/json", 0) != 0)
        return respond(Reply::error(415, "the body must be application/json")), true;
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object() || !body.contains("package") || !body["package"].is_string())
        return respond(Reply::error(400, "the body must be { \"package\": NAME }")), true;
    return packages->removePackage(body["package"].get<std::string>(), replying(respond)), true;
}

}  // namespace web::detail
