#include "web/Server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <unordered_set>

#include "Api.h"
#include "EventStreams.h"
#include "PackageRoutes.h"
#include "web/ScreenStream.h"
#include "Reply.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

namespace web {

using detail::Reply;
using detail::Request;

namespace {

constexpr const char* kEventsPath = "/api/events";
constexpr const char* kScreenPath = "/api/screen";

// A connection of the daemon: its socket and, while a request's head is on
// its way, when that head began (0 otherwise).
struct Connection {
    int fd = -1;
    double headSince = 0;
};

// One request between the library's calls: its body so far.
struct Exchange {
    std::string body;
};

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

void invalidate(id& timer) {
    if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
    timer = nullptr;
}

}  // namespace

std::string eventMessage(std::string_view name, const nlohmann::json& data) {
    return "event: " + std::string(name) + "\ndata: " +
           data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n\n";
}

struct Server::Impl {
    DeviceLink& device;
    ServerOptions options;
    detail::Api api;
    detail::EventStreams streams;
    detail::EventStreams screens;  // GET /api/screen
    MHD_Daemon* daemon = nullptr;
    int port = 0;
    std::unique_ptr<ns::RunLoop::Source> source;  // the daemon's epoll descriptor
    id wakeTimer;                                 // the daemon's next deadline
    id framePoll;                                 // while a page listens
    bool pumpQueued = false;
    std::shared_ptr<Impl*> self = std::make_shared<Impl*>(this);  // work queued on the loop finds it gone through this
    std::uint64_t lastSerial = 0;
    std::unordered_set<Connection*> connections;

    // What a page that connects now is sent to catch up: the device's state,
    // the last whole screen and the updates since.
    bool watching = false;
    std::string lastState;
    std::string lastWhole;
    std::vector<std::string> since;
    std::size_t bytesSince = 0;
    bool wholeAsked = false;

    Impl(DeviceLink& d, ServerOptions o)
        : device(d), options(std::move(o)), api(d, options.pageFolder),
          streams(options.streamBacklogBytes, [this] { pumpSoon(); }),
          screens(options.screenBacklogBytes, [this] { pumpSoon(); }, [this] { return catchUpAsking(); },
                  [this] { stopWatchingWhenAlone(); }) {}

    // The package upload takes a package; every other request a small body.
    std::size_t bodyLimit(std::string_view url) const {
        return url == detail::kPackageUploadPath ? options.maxPackageBytes : options.maxBodyBytes;
    }
    std::string tooLarge(std::string_view url) const {
        return "the body is larger than " + std::to_string(bodyLimit(url)) + " bytes";
    }

    // ---- the daemon on the run loop ---------------------------------------------

    void pump() {
        if (!daemon) return;
        MHD_run(daemon);
        cutOverdueHeads();
        scheduleWake();
    }

    // The run loop wakes the daemon when its descriptor is ready and at the
    // earliest of its own timeout and the heads' deadlines.
    void scheduleWake() {
        if (!daemon) return;
        double t = ns::now();
        double next = std::numeric_limits<double>::infinity();
        MHD_UNSIGNED_LONG_LONG ms = 0;
        if (MHD_get_timeout(daemon, &ms) == MHD_YES) next = t + static_cast<double>(ms) / 1000;
        for (const Connection* c : connections)
            if (c->headSince > 0) next = std::min(next, c->headSince + options.headSeconds);
        if (std::isfinite(next)) wakeIn(std::max(next - t, 0.0));
    }

    void wakeIn(double seconds) {
        if (!daemon) return;
        if (seconds <= 0) return pumpSoon();
        double at = ns::now() + seconds;
        auto current = rt::cast<NSTimer>(wakeTimer);
        if (current && current->valid && current->fireDate <= at) return;
        invalidate(wakeTimer);
        wakeTimer = ns::scheduledTimer(
            seconds, false,
            [this](const id&) {
                wakeTimer = nullptr;
                pump();
            },
            "web server's next deadline");
    }

    // The daemon runs again once the loop has finished what it is doing
    // (never from inside the daemon's own call).
    void pumpSoon() {
        if (pumpQueued || !daemon) return;
        pumpQueued = true;
        ns::RunLoop::main().perform([alive = std::weak_ptr<Impl*>(self)] {
            if (auto impl = alive.lock()) {
                (*impl)->pumpQueued = false;
                (*impl)->pump();
            }
        });
    }

    // A head that has not arrived whole within its deadline: the library's
    // own timeout counts from the last byte, so a client trickling a line at a
    // time would never meet it.
    void cutOverdueHeads() {
        double t = ns::now();
        for (Connection* c : connections) {
            if (c->headSince <= 0 || t - c->headSince < options.headSeconds) continue;
            // Quietly: most are a browser's idle kept-alive connections.
            c->headSince = 0;
            ::shutdown(c->fd, SHUT_RDWR);
        }
    }

    // ---- event streams ------------------------------------------------------------

    std::optional<std::uint64_t> currentSerial() {
        try {
            return device.frameSerial();
        } catch (const std::exception& e) {
            ns::logLine(std::string("web: the frame's serial: ") + e.what());
            return std::nullopt;
        }
    }

    void noteSerial(std::uint64_t serial) {
        if (serial == lastSerial) return;
        lastSerial = serial;
        streams.broadcast(eventMessage("frame", {{"serial", serial}}));
    }

    MHD_Result openStream(MHD_Connection* c) {
        std::optional<std::uint64_t> serial = currentSerial();
        if (serial) noteSerial(*serial);
        // The first message says where the frame stands (or only that the stream is open).
        MHD_Response* response =
            streams.open(c, serial ? eventMessage("frame", {{"serial", *serial}}) : std::string(": open\n\n"));
        if (!response) return queue(c, Reply::error(500, "cannot open an event stream"));
        Reply head = Reply::with(200, "text/event-stream", "");
        head.header("Cache-Control", "no-store");
        for (const auto& [name, value] : head.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
        MHD_Result queued = MHD_queue_response(c, 200, response);
        MHD_destroy_response(response);
        if (!framePoll) pollFrameLater();
        return queued;
    }

    // Counted from the end of the last check, however long the device took.
    void pollFrameLater() {
        framePoll = ns::scheduledTimer(
            options.framePollSeconds, false,
            [this](const id&) {
                framePoll = nullptr;
                if (streams.count() == 0) return;
                if (auto s = currentSerial()) noteSerial(*s);
                pollFrameLater();
            },
            "web server's frame serial");
    }

    // ---- the live screen ------------------------------------------------------------

    std::string catchUp() const {
        std::string bytes = lastState;
        bytes += lastWhole;
        for (const std::string& m : since) bytes += m;
        return bytes;
    }

    void onScreen(ScreenUpdate update) {
        std::string message = screenMessage(update);
        if (update.whole) {
            lastWhole = message;
            since.clear();
            bytesSince = 0;
            wholeAsked = false;
        } else if (!lastWhole.empty()) {
            bytesSince += message.size();
            since.push_back(message);
            // Catching up would cost more than a few whole screens: a page
            // that connects from now on asks for one instead.
            if (bytesSince > 4 * lastWhole.size()) {
                lastWhole.clear();
                since.clear();
                bytesSince = 0;
            }
        }
        screens.broadcast(message);
        noteSerial(update.serial);
    }

    // What catches a page up: the state, and the screen from the last whole
    // one, or (when that is gone) the next whole one, asked for.
    std::string catchUpAsking() {
        if (lastWhole.empty() && watching && !wholeAsked) {
            wholeAsked = true;
            ask("a whole screen", [&] { device.wantWholeScreen(); });
        }
        return catchUp();
    }

    void onState(const nlohmann::json& state) {
        nlohmann::json event = state;
        event["type"] = "device";
        lastState = streamEvent(event);
        screens.broadcast(lastState);
    }

    void onSettings() {
        std::string event = streamEvent({{"type", "settings"}});
        screens.broadcast(event);
    }

    // A call to the device from the server's own doing: a failure is logged.
    template <class F>
    void ask(const char* what, F f) {
        try {
            f();
        } catch (const std::exception& e) {
            ns::logLine(std::string("web: ") + what + ": " + e.what());
        }
    }

    void startWatching() {
        if (watching) return;
        watching = true;
        LiveSink sink;
        std::weak_ptr<Impl*> alive = self;
        sink.screen = [alive](ScreenUpdate u) {
            if (auto impl = alive.lock()) (*impl)->onScreen(std::move(u));
        };
        sink.state = [alive](const nlohmann::json& state) {
            if (auto impl = alive.lock()) (*impl)->onState(state);
        };
        sink.settings = [alive] {
            if (auto impl = alive.lock()) (*impl)->onSettings();
        };
        ask("watching the device", [&] { device.watch(std::move(sink)); });
    }

    void stopWatchingWhenAlone() {
        if (!watching || screens.count() > 0) return;
        watching = false;
        ask("no longer watching the device", [&] { device.unwatch(); });
        lastState.clear();
        lastWhole.clear();
        since.clear();
        bytesSince = 0;
        wholeAsked = false;
    }

    MHD_Result openScreen(MHD_Connection* c) {
        // The first page starts the watch; its first whole screen and state come as they arrive.
        startWatching();
        std::string first = catchUpAsking();
        MHD_Response* response = screens.open(c, first);
        if (!response) return queue(c, Reply::error(500, "cannot open the screen's stream"));
        Reply head = Reply::with(200, "application/octet-stream", "");
        head.header("Cache-Control", "no-store");
        for (const auto& [name, value] : head.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
        MHD_Result queued = MHD_queue_response(c, 200, response);
        MHD_destroy_response(response);
        return queued;
    }

    // ---- requests -----------------------------------------------------------------

    // A body over the limit while it arrives: the library takes a reply only
    // once a request is whole, so the refusal is written here and the
    // connection closed without reading more.
    MHD_Result refuseMidBody(MHD_Connection* c, const char* method, const char* url) {
        std::string bytes = detail::closingBytes(Reply::error(413, tooLarge(url)));
        ssize_t sent = ::send(socketOf(c), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent != static_cast<ssize_t>(bytes.size()))
            ns::logLine(std::string("web: ") + method + " " + url + ": could not send the refusal of a body over the limit");
        return MHD_NO;
    }

    MHD_Result onRequest(MHD_Connection* c, const char* url, const char* method, const char* data, std::size_t* size,
                         void** context) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (!exchange) {
            // The head is whole: its deadline no longer applies.
            if (Connection* conn = connectionOf(c)) conn->headSince = 0;
            Request head = requestOf(c, url, method);
            if (auto refused = api.screen(head)) return queue(c, *refused);
            if (auto length = declaredLength(c); length && *length > bodyLimit(url))
                return queue(c, Reply::error(413, tooLarge(url)));
            *context = new Exchange;
            return MHD_YES;
        }
        if (*size > 0) {
            if (exchange->body.size() + *size > bodyLimit(url)) return refuseMidBody(c, method, url);
            exchange->body.append(data, *size);
            *size = 0;
            return MHD_YES;
        }
        Request request = requestOf(c, url, method);
        request.body = std::move(exchange->body);
        if (request.path == kEventsPath && request.method == "GET") return openStream(c);
        if (request.path == kScreenPath && request.method == "GET") return openScreen(c);
        return queue(c, api.answer(request));
    }

    void onConnection(MHD_Connection* c, void** context, MHD_ConnectionNotificationCode what) {
        if (what == MHD_CONNECTION_NOTIFY_STARTED) {
            auto* conn = new Connection{socketOf(c), ns::now()};
            connections.insert(conn);
            *context = conn;
        } else if (auto* conn = static_cast<Connection*>(*context)) {
            connections.erase(conn);
            delete conn;
            *context = nullptr;
        }
    }

    void onCompleted(MHD_Connection* c, void** context, MHD_RequestTerminationCode how) {
        delete static_cast<Exchange*>(*context);
        *context = nullptr;
        // Kept alive, the connection's next head starts now.
        if (how == MHD_REQUEST_TERMINATED_COMPLETED_OK)
            if (Connection* conn = connectionOf(c)) conn->headSince = ns::now();
    }
};

Server::Server(DeviceLink& device, ServerOptions options) : impl_(std::make_unique<Impl>(device, std::move(options))) {}

Server::~Server() { stop(); }

ns::Result<> Server::start() {
    Impl& s = *impl_;
    const std::string where = "127.0.0.1:" + std::to_string(s.options.port);
    if (s.daemon) return ns::fail("the server already serves 127.0.0.1:" + std::to_string(s.port));
    if (s.options.port < 0 || s.options.port > 65535)
        return ns::fail("cannot serve on " + where + ": the port is out of range");

    // A socket of its own: the library's would not say why a bind failed.
    // Address reuse only (a restart right after a stop binds at once), never
    // port sharing, so a second server on a busy port fails.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return ns::fail("cannot serve on " + where + ": no socket: " + std::strerror(errno));
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(s.options.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
        std::string why = std::strerror(errno);
        ::close(fd);
        return ns::fail("cannot serve on " + where + ": " + why);
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    s.port = ntohs(address.sin_port);

    s.daemon = MHD_start_daemon(
        MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG, 0, nullptr, nullptr,
        [](void* cls, MHD_Connection* c, const char* url, const char* method, const char*, const char* data,
           std::size_t* size, void** context) {
            try {
                return static_cast<Impl*>(cls)->onRequest(c, url, method, data, size, context);
            } catch (const std::exception& e) {
                ns::logLine(std::string("web: ") + method + " " + url + ": " + e.what());
                return MHD_NO;
            }
        },
        &s, MHD_OPTION_EXTERNAL_LOGGER, &libraryLog, nullptr, MHD_OPTION_LISTEN_SOCKET, fd,
        MHD_OPTION_CONNECTION_LIMIT, s.options.maxConnections, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        s.options.connectionBytes, MHD_OPTION_CONNECTION_TIMEOUT, s.options.idleSeconds,
        MHD_OPTION_UNESCAPE_CALLBACK, &unescape, nullptr, MHD_OPTION_NOTIFY_CONNECTION,
        +[](void* cls, MHD_Connection* c, void** context, MHD_ConnectionNotificationCode what) {
            static_cast<Impl*>(cls)->onConnection(c, context, what);
        },
        &s, MHD_OPTION_NOTIFY_COMPLETED,
        +[](void* cls, MHD_Connection* c, void** context, MHD_RequestTerminationCode how) {
            static_cast<Impl*>(cls)->onCompleted(c, context, how);
        },
        &s, MHD_OPTION_END);
    if (!s.daemon) {
        ::close(fd);
        return ns::fail("cannot serve on 127.0.0.1:" + std::to_string(s.port) + ": the HTTP library would not start");
    }
    s.api.setPort(s.port);
    try {
        const MHD_DaemonInfo* info = MHD_get_daemon_info(s.daemon, MHD_DAEMON_INFO_EPOLL_FD);
        s.source = ns::RunLoop::main().watch(info->epoll_fd, ns::RunLoop::Readable, "web server", [&s](unsigned) { s.pump(); });
    } catch (const std::exception& e) {
        stop();
        return ns::fail("cannot serve on 127.0.0.1:" + std::to_string(s.port) + ": " + e.what());
    }
    return {};
}

void Server::stop() {
    Impl& s = *impl_;
    if (!s.daemon) return;
    // The library must not stop with a connection suspended: streams resume
    // and close first.
    s.streams.endAll();
    s.screens.endAll();
    MHD_run(s.daemon);
    MHD_stop_daemon(s.daemon);
    s.daemon = nullptr;
    s.source.reset();
    invalidate(s.wakeTimer);
    invalidate(s.framePoll);
    if (s.watching) {
        s.watching = false;
        s.ask("no longer watching the device", [&] { s.device.unwatch(); });
    }
    for (Connection* c : s.connections) delete c;
    s.connections.clear();
}

void Server::servePackages(PackageLink& packages) { impl_->api.setPackages(&packages); }

int Server::port() const { return impl_->port; }

std::string Server::address() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

std::size_t Server::broadcast(const std::string& bytes) { return impl_->streams.broadcast(bytes); }

std::size_t Server::streamCount() const { return impl_->streams.count(); }

}  // namespace web
