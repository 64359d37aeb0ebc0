#include "LiveHub.h"

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "wire/Frame.h"
#include "wire/Hello.h"

namespace web::detail {

namespace {

// A page that connects is shown this much of the log before what comes.
constexpr std::size_t kRecentLogLines = 500;

}  // namespace

LiveHub::LiveHub(DeviceLink& device, LiveOptions options) : device_(device), options_(options) {}

LiveHub::~LiveHub() { closeAll(); }

void LiveHub::admit(int fd, std::string alreadyRead, std::function<void()> release) {
    startWatching();
    std::weak_ptr<LiveHub*> alive = self_;
    LiveSocket::Handlers handlers;
    handlers.message = [alive](std::string message) {
        if (auto hub = alive.lock()) (*hub)->fromPage(message);
    };
    handlers.closed = [alive] {
        // Forgotten once the socket's own call is over.
        ns::RunLoop::main().perform([alive] {
            if (auto hub = alive.lock()) (*hub)->forgetClosed();
        });
    };
    handlers.catchUp = [alive] {
        auto hub = alive.lock();
        return hub ? (*hub)->catchUp() : std::vector<std::string>{};
    };
    auto page = std::make_unique<LiveSocket>(fd, std::move(alreadyRead), std::move(release), options_.backlogBytes,
                                             options_.largestFromPage, std::move(handlers));
    wire::ToPage hello;
    *hello.mutable_hello() = wire::hello("orvelle-sim");
    page->send(hello.SerializeAsString());
    for (const std::string& m : catchUp()) page->send(m);
    pages_.push_back(std::move(page));
}

void LiveHub::closeAll() {
    for (auto& page : pages_) page->close(1001, "the server stops");
    pages_.clear();
    stopWatchingWhenAlone();
}

void LiveHub::forgetClosed() {
    pages_.remove_if([](const std::unique_ptr<LiveSocket>& p) { return !p->isOpen(); });
    stopWatchingWhenAlone();
}

void LiveHub::startWatching() {
    if (watching_) return;
    watching_ = true;
    std::weak_ptr<LiveHub*> alive = self_;
    LiveSink sink;
    sink.screen = [alive](ScreenFrame frame) {
        if (auto hub = alive.lock()) (*hub)->onScreen(std::move(frame));
    };
    sink.state = [alive](const wire::DeviceState& state) {
        if (auto hub = alive.lock()) (*hub)->onState(state);
    };
    sink.settings = [alive] {
        if (auto hub = alive.lock()) (*hub)->onSettings();
    };
    sink.log = [alive](const wire::LogLines& lines) {
        if (auto hub = alive.lock()) (*hub)->onLog(lines);
    };
    device_.watch(std::move(sink));
}

void LiveHub::stopWatchingWhenAlone() {
    if (!watching_ || !pages_.empty()) return;
    watching_ = false;
    device_.unwatch();
    lastState_.clear();
    lastWhole_.clear();
    since_.clear();
    bytesSince_ = 0;
    wholeAsked_ = false;
    recentLog_.clear();
}

void LiveHub::broadcast(const std::string& message) {
    for (auto& page : pages_)
        if (page->isOpen()) page->send(message);
}

void LiveHub::onScreen(ScreenFrame frame) {
    if (frame.whole) {
        lastWhole_ = frame.message;
        since_.clear();
        bytesSince_ = 0;
        wholeAsked_ = false;
    } else if (!lastWhole_.empty()) {
        bytesSince_ += frame.message.size();
        since_.push_back(frame.message);
        // Catching up would cost more than a few whole screens: a page that
        // connects from now on asks for one instead.
        if (bytesSince_ > 4 * lastWhole_.size()) {
            lastWhole_.clear();
            since_.clear();
            bytesSince_ = 0;
        }
    }
    broadcast(frame.message);
}

void LiveHub::onState(const wire::DeviceState& state) {
    wire::ToPage message;
    *message.mutable_state() = state;
    lastState_ = message.SerializeAsString();
    broadcast(lastState_);
}

void LiveHub::onSettings() {
    wire::ToPage message;
    message.set_settings_changed(true);
    broadcast(message.SerializeAsString());
}

void LiveHub::onLog(const wire::LogLines& lines) {
    for (const wire::PageLogLine& line : lines.lines()) recentLog_.push_back(line);
    while (recentLog_.size() > kRecentLogLines) recentLog_.pop_front();
    wire::ToPage message;
    *message.mutable_log() = lines;
    broadcast(message.SerializeAsString());
}

// The state, the log's recent lines, and the screen from the last whole one, or (when that is gone)
// the next whole one, asked for.
std::vector<std::string> LiveHub::catchUp() {
    if (lastWhole_.empty() && watching_ && !wholeAsked_) {
        wholeAsked_ = true;
        device_.wantWholeScreen();
    }
    std::vector<std::string> out;
    if (!lastState_.empty()) out.push_back(lastState_);
    if (!recentLog_.empty()) {
        wire::ToPage log;
        log.mutable_log()->set_recent(true);
        for (const wire::PageLogLine& line : recentLog_) *log.mutable_log()->add_lines() = line;
        out.push_back(log.SerializeAsString());
    }
    if (!lastWhole_.empty()) out.push_back(lastWhole_);
    for (const std::string& m : since_) out.push_back(m);
    return out;
}

void LiveHub::fromPage(const std::string& bytes) {
    auto message = wire::decode<wire::FromPage>(bytes);
    if (!message) return ns::logLine("web: a page sent " + message.reason());
    if (message->has_whole_screen()) return device_.wantWholeScreen();
    if (message->has_touch())
        device_.touch(message->touch(), [](Outcome<nlohmann::json> done) {
            if (!done.ok()) ns::logLine(std::string("web: a page's touch: ") + done.error().what());
        });
}

}  // namespace web::detail
