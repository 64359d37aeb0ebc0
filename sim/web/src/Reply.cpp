#include "Reply.h"

#include <microhttpd.h>

#include <strings.h>

namespace web::detail {

Reply& Reply::header(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

std::string Reply::headerValue(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
    return {};
}

Reply Reply::with(int status, std::string contentType, std::string body) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    if (!contentType.empty()) r.header("Content-Type", std::move(contentType));
    r.header("X-Content-Type-Options", "nosniff");
    r.header("X-Frame-Options", "DENY");
    return r;
}

Reply Reply::json(int status, const nlohmann::json& body) {
    // Replace, not throw, on text that is not UTF-8: a device's answer is data.
    Reply r = with(status, "application/json", body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    r.header("Cache-Control", "no-store");
    return r;
}

Reply Reply::error(int status, const std::string& why) { return json(status, {{"error", why}}); }

std::string closingBytes(const Reply& reply) {
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                      MHD_get_reason_phrase_for(static_cast<unsigned>(reply.status)) + "\r\n";
    for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    out += reply.body;
    return out;
}

}  // namespace web::detail
