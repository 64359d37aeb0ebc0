// What the server asks of the HTTP library, in its own terms: a request's
// head as text, a reply queued, a connection's socket, the body length a
// head declares, and the library's own path decoding and log lines.
#pragma once

#include <microhttpd.h>

#include <cstdarg>
#include <cstddef>
#include <optional>
#include <string>

#include "Api.h"
#include "Reply.h"

namespace web::detail {

// A connection of the daemon: its socket and, while a request's head is on
// its way, when that head began (0 otherwise).
struct Connection {
    int fd = -1;
    double headSince = 0;
};

std::optional<std::string> valueOf(MHD_Connection* c, MHD_ValueKind kind, const char* name);
Request requestOf(MHD_Connection* c, const char* url, const char* method);
MHD_Result queue(MHD_Connection* c, const Reply& reply);
int socketOf(MHD_Connection* c);
Connection* connectionOf(MHD_Connection* c);
// The body length a head declares; nothing for a chunked body or none at all.
std::optional<unsigned long long> declaredLength(MHD_Connection* c);
// Percent-decoding of paths and arguments, except that a text which would
// hold a NUL stays as it was sent: "/index.html%00.js" names no file.
std::size_t unescape(void*, MHD_Connection*, char* text);
// The library's own lines, but not those that only tell of a client going
// away or of a refusal this server chose.
void libraryLog(void*, const char* format, va_list args);

}  // namespace web::detail
