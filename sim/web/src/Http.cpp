#include "Http.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "foundation/Log.h"

namespace web::detail {

std::optional<std::string> valueOf(MHD_Connection* c, MHD_ValueKind kind, const char* name) {
    const char* v = MHD_lookup_connection_value(c, kind, name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

Request requestOf(MHD_Connection* c, const char* url, const char* method) {
    Request r;
    r.method = method;
    r.path = url;
    r.header = [c](const char* name) { return valueOf(c, MHD_HEADER_KIND, name); };
    r.argument = [c](const char* name) { return valueOf(c, MHD_GET_ARGUMENT_KIND, name); };
    return r;
}

MHD_Result queue(MHD_Connection* c, const Reply& reply) {
    MHD_Response* response =
        MHD_create_response_from_buffer(reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    for (const auto& [name, value] : reply.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
    MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

int socketOf(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : -1;
}

Connection* connectionOf(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Connection*>(info->socket_context) : nullptr;
}

// The body length a head declares; nothing for a chunked body or none at all.
std::optional<unsigned long long> declaredLength(MHD_Connection* c) {
    if (auto te = valueOf(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING); te && !te->empty()) return std::nullopt;
    auto length = valueOf(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (!length) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    unsigned long long n = std::strtoull(length->c_str(), &end, 10);
    if (errno != 0) return std::numeric_limits<unsigned long long>::max();
    return n;
}

// Percent-decoding of paths and arguments, except that a text which would
// hold a NUL stays as it was sent: "/index.html%00.js" names no file.
std::size_t unescape(void*, MHD_Connection*, char* text) {
    std::string decoded(text);
    std::size_t n = MHD_http_unescape(decoded.data());
    if (std::memchr(decoded.data(), '\0', n)) return std::strlen(text);
    std::memcpy(text, decoded.data(), n);
    text[n] = '\0';
    return n;
}

// The library's own lines, but not those that only tell of a client going
// away or of a refusal this server chose (a browser's unused connection, a
// body over the limit): they are no fault of the server.
void libraryLog(void*, const char* format, va_list args) {
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    std::string_view text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    for (std::string_view chatter : {"Connection was closed by remote side", "Connection socket is closed",
                                     "Application reported internal error", "Error processing request",
                                     "Closing connection (application error generating response)"})
        if (text.substr(0, chatter.size()) == chatter) return;
    ns::logLine("web: " + std::string(text));
}

}  // namespace web::detail
