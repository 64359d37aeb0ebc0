// The web simulator's server: the page and a small JSON API over a DeviceLink,
// on the loopback address only.
//
//   GET  /, /index.html, /app.js, /style.css   the page
//   GET  /api/frame.png                        the newest frame (ETag: its serial)
//   GET  /api/status                           the device
//   POST /api/touch        { "phase": "down"|"move"|"up", "x": 10, "y": 20 }
//   GET  /api/prefs?page=P                     a Settings page
//   POST /api/prefs/set    { "page": "P", "key": "K", "value": V }
//   POST /api/prefs/press  { "page": "P", "action": "A" }
//   POST /api/prefs/alert  { "button": 0 }
//   POST /api/weather      { "temperature", "location", "conditions", "icon" }
//   POST /api/media        { "playing": true }
//   POST /api/respring     {}
//   POST /api/device       { "systemVersion", "screen", "timeZone", "locale", "wallpaper" }
//
// Refused: a Host or Origin that is not the served loopback address and port
// (403), a body over the limit (413), a POST whose body is not JSON (415, 400).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "web/DeviceLink.h"

namespace web {

struct ServerOptions {
    int port = 0;                          // 0: a free port the system picks
    std::size_t maxBodyBytes = 64 * 1024;  // a request body larger than this is refused
    std::string pageFolder;                // empty: the page built into the program
};

class Server {
public:
    Server(DeviceLink& device, ServerOptions options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1 and serves from a thread of its own; answers why it
    // could not, empty on success.
    std::string start();
    // Stops serving and waits for the thread.
    void stop();
    int port() const;
    // "http://127.0.0.1:PORT/"
    std::string address() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace web
