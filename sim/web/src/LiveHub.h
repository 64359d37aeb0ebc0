// The pages that follow the device live, each on its WebSocket: the first
// one starts the watch and the last one to go ends it. A page that connects
// is caught up (the device's state, the last whole screen and the updates
// since, or a whole screen asked for), then pushed what changes; what pages
// send (touches, a whole screen asked for) goes to the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LiveSocket.h"
#include "web/DeviceLink.h"

namespace web::detail {

struct LiveOptions {
    std::size_t mostPages = 16;               // more at once are refused
    std::size_t backlogBytes = 32u << 20;     // past this, a slow page is caught up afresh
    std::size_t largestFromPage = 64 * 1024;  // a page's message
};

class LiveHub {
public:
    LiveHub(DeviceLink& device, LiveOptions options);
    ~LiveHub();

    bool full() const { return pages_.size() >= options_.mostPages; }
    // Takes a page's socket (already upgraded); `release` hands it back.
    void admit(int fd, std::string alreadyRead, std::function<void()> release);
    std::size_t pages() const { return pages_.size(); }
    // Every page is told the server stops, and let go.
    void closeAll();

private:
    void startWatching();
    void stopWatchingWhenAlone();
    void onScreen(ScreenFrame frame);
    void onState(const wire::DeviceState& state);
    void onSettings();
    void onLog(const wire::LogLines& lines);
    void broadcast(const std::string& message);
    std::vector<std::string> catchUp();
    void fromPage(const std::string& message);
    void forgetClosed();

    DeviceLink& device_;
    LiveOptions options_;
    std::list<std::unique_ptr<LiveSocket>> pages_;
    bool watching_ = false;
    std::string lastState_;
    std::string lastWhole_;
    std::vector<std::string> since_;
    std::size_t bytesSince_ = 0;
    bool wholeAsked_ = false;
    std::deque<wire::PageLogLine> recentLog_;  // what a page that connects now is shown of the log
    std::shared_ptr<LiveHub*> self_ = std::make_shared<LiveHub*>(this);
};

}  // namespace web::detail
