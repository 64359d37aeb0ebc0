// The web simulator's server: the page, a small JSON API and the page's live
// connection over a DeviceLink, on the loopback address only, as one more
// descriptor source of the process's run loop (it holds no thread of its
// own). A request the device must answer is set aside until it does: no
// request waits on another, nor on a device.
//
//   GET  /, /index.html, /app.js, ...         the page
//   GET  /api/live                             a WebSocket: binary messages of the wire,
//                                              ToPage from the server (the device's state,
//                                              its screen as the device sent it, settings
//                                              changed), FromPage from the page (touches,
//                                              a whole screen asked for) (wire/page.proto)
//   GET  /api/frame.png                        the newest frame (ETag: its serial)
//   GET  /api/status                           the device
//   GET  /api/crashes                          the device's crash reports, newest first
//   GET  /api/crashes?name=N                   one report, as plain text
//   POST /api/boot         {}                  boots a device that is down
//   POST /api/touch        { "phase": "down"|"move"|"up", "x": 10, "y": 20, "seq": 3 }
//   GET  /api/prefs?page=P                     a Settings page ("" the list of panes)
//   POST /api/prefs/set    { "page": "P", "key": "K", "value": V }
//   POST /api/prefs/press  { "page": "P", "action": "A" }
//   POST /api/prefs/alert  { "button": 0 }
//   POST /api/weather      { "temperature", "location", "conditions", "icon" }:
//                          a text sets the value, null clears it, absent or
//                          empty keeps it
//   POST /api/media        { "playing": true }
//   POST /api/lock         { "locked": false }
//   POST /api/wallpaper    the body is a picture (image/png or image/jpeg): the device's wallpaper
//   POST /api/statusbar    { "carrier": "T", "signal": 0-4, "battery": 0-100, "charging": true } | { "clear": true }
//   GET  /api/clock                            the device's clock
//   POST /api/clock        { "action": "pause"|"resume"|"real" } | { "set": "ISO", "timeZone": "Z" }
//                          | { "advance": seconds } | { "rate": 1-3600 }
//   GET  /api/notifications                    the lock screen's notifications, newest first
//   POST /api/notifications { "app": "A", "title": "T", "body": "B", "at": "ISO" }
//   POST /api/notifications/clear { "id": N } | { "all": true }
//   POST /api/respring     {}
//   POST /api/device       { "systemVersion", "screen", "timeZone", "locale", "wallpaper" }
//   and, for a device served with its packages, the Tweaks panel's (src/PackageRoutes.h)
//
// Several devices: every path above under "/d/N/" is device N's (its page at
// "/d/N/", its live connection at "/d/N/api/live"); without the prefix, the
// first device's. "/" is then the page of every device, and
//   GET  /api/devices                          { "devices": [ { "index", "name", "path" } ] }
// Each device answers on its own: one slow or gone device holds up no other.
//
// Refused: a Host or Origin that is not the served loopback address and port
// (403), a body over the limit whether its length is declared or it comes in
// chunks (413, nothing more of it read), a POST without a body (400; a body
// with neither a length nor chunks is no body) or whose body is not JSON
// (415, 400), a live connection past the most pages (503). A request's head
// must arrive whole within a deadline; when connections crowd, the ones
// waiting longest for a head are closed first.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    unsigned maxConnections = 512;         // more at once wait in the listen backlog
    unsigned crowdedConnections = 384;     // past this, connections idle for a head are closed
    std::size_t connectionBytes = 32 * 1024;  // a connection's memory: its head and read buffer
    unsigned idleSeconds = 10;             // a connection silent this long is closed (not a stream)
    std::size_t screenBacklogBytes = 32 << 20;    // past this, a slow page is caught up afresh
    std::size_t mostLivePages = 16;        // live connections at once; more are refused
    std::size_t maxPackageBytes = 256ull * 1024 * 1024;  // the package upload's own limit (a package's largest)
    std::size_t maxPictureBytes = 64ull * 1024 * 1024;   // the wallpaper upload's own (the largest picture a device reads)
};

// One device the server serves: its name as the page shows it, its link,
// and its packages when the Tweaks panel may change them. Both outlive the server.
struct ServedDevice {
    std::string name;
    DeviceLink* link = nullptr;
    PackageLink* packages = nullptr;
};

// Every call, and every callback of the server, happens on the thread that
// runs ns::RunLoop::main(); each DeviceLink is asked one thing at a time.
class Server {
public:
    // One device or more (the first answers the paths without a prefix).
    Server(std::vector<ServedDevice> devices, ServerOptions options = {});
    // One device, without packages.
    Server(DeviceLink& device, ServerOptions options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1 (alone: a port in use is an error, never shared) and
    // serves from the run loop; the reason when it cannot.
    ns::Result<> start();
    // Stops serving: every connection closes, live ones and those waiting on the device included.
    void stop();
    int port() const;
    // "http://127.0.0.1:PORT/"
    std::string address() const;

    // Pages connected live now.
    std::size_t livePages() const;
    // Requests set aside until the device answers.
    std::size_t waitingRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace web
