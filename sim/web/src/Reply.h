// What the server answers: a status, headers and a body. Every reply carries
// the headers that keep a browser from sniffing its type or framing it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace web::detail {

struct Reply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    Reply& header(std::string name, std::string value);
    // The value of a header set on the reply, empty when it has none.
    std::string headerValue(const std::string& name) const;

    static Reply with(int status, std::string contentType, std::string body);
    // A JSON document, never cached.
    static Reply json(int status, const nlohmann::json& body);
    // { "error": why }
    static Reply error(int status, const std::string& why);
};

// The reply as bytes on the wire, for a connection closed right after it.
std::string closingBytes(const Reply& reply);

}  // namespace web::detail
