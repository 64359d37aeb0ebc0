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
#include "Http.h"
#include "LiveHub.h"
#include "WebSocket.h"
#include "PackageRoutes.h"
#include "Reply.h"
#include "ServedDevices.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"

namespace web {

using namespace detail;

namespace {

constexpr const char* kLivePath = "/api/live";

// One request between the library's calls: its body so far, and once it is
// whole, its reply (at once, or set aside while the device answers).
struct Exchange {
    std::string body;
    bool asked = false;
    std::optional<Reply> reply;
    MHD_Connection* connection = nullptr;
    bool suspended = false;
};

}  // namespace

struct Server::Impl {
    ServerOptions options;
    detail::ServedDevices devices;
    MHD_Daemon* daemon = nullptr;
    int port = 0;
    std::unique_ptr<ns::RunLoop::Source> source;  // the daemon's epoll descriptor
    ns::Timer wakeTimer;                          // the daemon's next deadline
    double wakeAt = 0;
    bool pumpQueued = false;
    std::shared_ptr<Impl*> self = std::make_shared<Impl*>(this);  // work queued on the loop finds it gone through this
    std::unordered_set<Connection*> connections;
    std::unordered_set<Exchange*> waiting;  // set aside until the device answers

    Impl(const std::vector<ServedDevice>& d, ServerOptions o)
        : options(std::move(o)),
          devices(d, options.pageFolder, {options.mostLivePages, options.screenBacklogBytes, options.maxBodyBytes}) {}

    // The package upload takes a package, the wallpaper's a picture; every other request a small body.
    std::size_t bodyLimit(std::string_view url) const {
        std::optional<detail::DevicePath> split = detail::splitDevicePath(url);
        const std::string_view path = split ? std::string_view(split->path) : url;
        if (path == detail::kPackageUploadPath) return options.maxPackageBytes;
        if (path == detail::kWallpaperUploadPath) return options.maxPictureBytes;
        return options.maxBodyBytes;
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
        if (wakeTimer && wakeAt <= at) return;
        wakeAt = at;
        wakeTimer = ns::Timer::after(seconds, "web server's next deadline", [this] { pump(); });
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

    // Crowded: the connections that waited longest for a head make room.
    void shedIdle() {
        if (connections.size() <= options.crowdedConnections) return;
        std::vector<Connection*> idle;
        for (Connection* c : connections)
            if (c->headSince > 0) idle.push_back(c);
        std::sort(idle.begin(), idle.end(), [](Connection* a, Connection* b) { return a->headSince < b->headSince; });
        std::size_t excess = connections.size() - options.crowdedConnections;
        for (std::size_t i = 0; i < idle.size() && i < excess; ++i) {
            idle[i]->headSince = 0;
            ::shutdown(idle[i]->fd, SHUT_RDWR);
        }
    }

    // ---- the live connection --------------------------------------------------------

    MHD_Result openLive(MHD_Connection* c, detail::LiveHub& live) {
        auto header = [c](const char* name) { return valueOf(c, MHD_HEADER_KIND, name).value_or(""); };
        auto has = [](std::string value, std::string_view word) {
            for (char& ch : value) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            return value.find(word) != std::string::npos;
        };
        if (!has(header(MHD_HTTP_HEADER_UPGRADE), "websocket") || !has(header(MHD_HTTP_HEADER_CONNECTION), "upgrade"))
            return queue(c, Reply::error(426, "the live connection is a WebSocket"));
        if (header("Sec-WebSocket-Version") != "13")
            return queue(c, Reply::error(426, "the live connection speaks WebSocket version 13"));
        auto accept = detail::webSocketAccept(header("Sec-WebSocket-Key"));
        if (!accept) return queue(c, Reply::error(400, accept.reason()));
        if (live.full())
            return queue(c, Reply::error(503, "already " + std::to_string(options.mostLivePages) +
                                                  " pages are live; close one"));
        MHD_Response* response = MHD_create_response_for_upgrade(
            +[](void* cls, MHD_Connection*, void*, const char* extra, std::size_t extraSize, MHD_socket sock,
                MHD_UpgradeResponseHandle* urh) {
                auto* hub = static_cast<detail::LiveHub*>(cls);
                std::string already(extra ? extra : "", extra ? extraSize : 0);
                hub->admit(sock, std::move(already), [urh] { MHD_upgrade_action(urh, MHD_UPGRADE_ACTION_CLOSE); });
            },
            &live);
        if (!response) return queue(c, Reply::error(500, "cannot take the live connection over"));
        MHD_add_response_header(response, MHD_HTTP_HEADER_UPGRADE, "websocket");
        MHD_add_response_header(response, "Sec-WebSocket-Accept", accept->c_str());
        MHD_Result queued = MHD_queue_response(c, MHD_HTTP_SWITCHING_PROTOCOLS, response);
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

    // The reply, when it comes after the request was set aside: the
    // connection goes on, and the daemon writes it at its next run.
    void replied(Exchange* exchange, Reply reply) {
        if (!waiting.count(exchange) && exchange->reply) return;  // answered twice: the first stands
        exchange->reply = std::move(reply);
        if (exchange->suspended) {
            exchange->suspended = false;
            waiting.erase(exchange);
            MHD_resume_connection(exchange->connection);
            pumpSoon();
        }
    }

    MHD_Result ask(MHD_Connection* c, Exchange* exchange, Request request) {
        exchange->asked = true;
        exchange->connection = c;
        std::weak_ptr<Impl*> alive = self;
        auto respond = [alive, exchange](Reply reply) {
            if (auto impl = alive.lock()) (*impl)->replied(exchange, std::move(reply));
        };
        // The exchange lives until the request completes, which a set-aside
        // one cannot before it is resumed: the reply finds it.
        if (std::optional<Reply> own = devices.ownReply(request)) {
            respond(std::move(*own));
        } else if (auto target = devices.route(request.path)) {
            request.path = std::move(target->second);
            if (request.path == kLivePath && request.method == "GET") return openLive(c, target->first->live);
            target->first->api.answer(request, respond);
        } else {
            respond(Reply::error(404, "no such device: this server serves " + std::to_string(devices.size()) +
                                          ", from /d/0/ to /d/" + std::to_string(devices.size() - 1) + "/"));
        }
        if (exchange->reply) return queue(c, *exchange->reply);
        exchange->suspended = true;
        waiting.insert(exchange);
        MHD_suspend_connection(c);
        return MHD_YES;
    }

    MHD_Result onRequest(MHD_Connection* c, const char* url, const char* method, const char* data, std::size_t* size,
                         void** context) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (!exchange) {
            // The head is whole: its deadline no longer applies.
            if (Connection* conn = connectionOf(c)) conn->headSince = 0;
            Request head = requestOf(c, url, method);
            if (auto refused = devices.at(0).api.screen(head)) return queue(c, *refused);
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
        if (exchange->asked) return exchange->reply ? queue(c, *exchange->reply) : MHD_YES;
        Request request = requestOf(c, url, method);
        request.body = std::move(exchange->body);
        return ask(c, exchange, std::move(request));
    }

    void onConnection(MHD_Connection* c, void** context, MHD_ConnectionNotificationCode what) {
        if (what == MHD_CONNECTION_NOTIFY_STARTED) {
            auto* conn = new Connection{socketOf(c), ns::now()};
            connections.insert(conn);
            *context = conn;
            shedIdle();
        } else if (auto* conn = static_cast<Connection*>(*context)) {
            connections.erase(conn);
            delete conn;
            *context = nullptr;
        }
    }

    void onCompleted(MHD_Connection* c, void** context, MHD_RequestTerminationCode how) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (exchange) waiting.erase(exchange);
        delete exchange;
        *context = nullptr;
        // Kept alive, the connection's next head starts now.
        if (how == MHD_REQUEST_TERMINATED_COMPLETED_OK)
            if (Connection* conn = connectionOf(c)) conn->headSince = ns::now();
    }
};

Server::Server(std::vector<ServedDevice> devices, ServerOptions options)
    : impl_(std::make_unique<Impl>(devices, std::move(options))) {}

Server::Server(DeviceLink& device, ServerOptions options) : Server({ServedDevice{"device", &device}}, std::move(options)) {}

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
        MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_ALLOW_UPGRADE | MHD_USE_ERROR_LOG, 0, nullptr, nullptr,
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
    s.devices.setPort(s.port);
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
    // The library must not stop with a connection suspended: every request
    // set aside is answered first, and every live page let go.
    s.devices.closeAll();
    for (Exchange* e : std::vector<Exchange*>(s.waiting.begin(), s.waiting.end()))
        s.replied(e, Reply::error(503, "the server stops"));
    MHD_run(s.daemon);
    MHD_stop_daemon(s.daemon);
    s.daemon = nullptr;
    s.source.reset();
    s.wakeTimer.cancel();
    for (Connection* c : s.connections) delete c;
    s.connections.clear();
}

int Server::port() const { return impl_->port; }

std::string Server::address() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

std::size_t Server::livePages() const { return impl_->devices.livePages(); }

std::size_t Server::waitingRequests() const { return impl_->waiting.size(); }

}  // namespace web
