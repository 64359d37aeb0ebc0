// The web simulator's server: the page and a small JSON API over a DeviceLink,
// on the loopback address only, as one more descriptor source of the process's
// run loop (it holds no thread of its own).
//
//   GET  /, /index.html, /app.js, /style.css   the page
//   GET  /api/frame.png                        the newest frame (ETag: its serial)
//   GET  /api/status                           the device
//   GET  /api/events                           a text/event-stream: "frame" with
//                                              { "serial": N } whenever the frame changes
//   GET  /api/screen                           the live screen: the device's state and
//                                              screen, then what changes (web/ScreenStream.h)
//   GET  /api/crashes                          the device's crash reports, newest first
//   GET  /api/crashes?name=N                   one report, as plain text
//   POST /api/boot         {}                  boots a device that is down
//   POST /api/touch        { "phase": "down"|"move"|"up", "x": 10, "y": 20 }
//   GET  /api/prefs?page=P                     a Settings page
//   POST /api/prefs/set    { "page": "P", "key": "K", "value": V }
//   POST /api/prefs/press  { "page": "P", "action": "A" }
//   POST /api/prefs/alert  { "button": 0 }
//   POST /api/weather      { "temperature", "location", "conditions", "icon" }:
//                          a text sets the value, null clears it, absent or
//                          empty keeps it
//   POST /api/media        { "playing": true }
//   POST /api/respring     {}
//   POST /api/device       { "systemVersion", "screen", "timeZone", "locale", "wallpaper" }
//   and, once servePackages() is called, the Tweaks panel's (src/PackageRoutes.h)
//
// Refused: a Host or Origin that is not the served loopback address and port
// (403), a body over the limit whether its length is declared or it comes in
// chunks (413, nothing more of it read), a POST without a body (400; a body
// with neither a length nor chunks is no body) or whose body is not JSON
// (415, 400). A request's head must arrive whole within a deadline, and the
// connections open at once are capped (the next waits for a free one).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/Result.h"
#include "web/DeviceLink.h"
#include "web/PackageLink.h"

namespace web {

struct ServerOptions {
    int port = 0;                          // 0: a free port the system picks
    std::size_t maxBodyBytes = 64 * 1024;  // a request body larger than this is refused
    std::string pageFolder;                // empty: the page built into the program
    double headSeconds = 5;                // a request's head must arrive within this
    unsigned maxConnections = 64;          // more at once are turned away
    std::size_t connectionBytes = 32 * 1024;  // a connection's memory: its head and read buffer
    unsigned idleSeconds = 10;             // a connection silent this long is closed (not a stream)
    std::size_t streamBacklogBytes = 256 * 1024;  // unsent bytes an event stream keeps for a slow reader
    std::size_t screenBacklogBytes = 32 << 20;    // past this, a slow page is caught up afresh
    double framePollSeconds = 0.1;         // how often the frame serial is checked while a page listens
    std::size_t maxPackageBytes = 256ull * 1024 * 1024;  // the package upload's own limit (a package's largest)
};

// One message of an event stream: "event: NAME\ndata: JSON\n\n".
std::string eventMessage(std::string_view name, const nlohmann::json& data);

// Every call, and every callback of the server, happens on the thread that
// runs ns::RunLoop::main(); the DeviceLink is asked one thing at a time.
class Server {
public:
    Server(DeviceLink& device, ServerOptions options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1 (alone: a port in use is an error, never shared) and
    // serves from the run loop; the reason when it cannot.
    ns::Result<> start();
    // Answers the Tweaks panel's routes through `packages`, which outlives the server.
    void servePackages(PackageLink& packages);
    // Stops serving: every connection closes, open streams included.
    void stop();
    int port() const;
    // "http://127.0.0.1:PORT/"
    std::string address() const;

    // Queues `bytes` (whole event-stream messages) on every open event
    // stream; how many streams it reached.
    std::size_t broadcast(const std::string& bytes);
    // Event streams whose client is still there.
    std::size_t streamCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace web
