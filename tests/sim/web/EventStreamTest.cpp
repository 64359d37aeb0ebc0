// Pushing to open pages from the run loop: messages reach every listener,
// listening costs no thread, a client that leaves is forgotten, and a reader
// too slow to keep up loses old messages rather than growing the server.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"

namespace {

using nlohmann::json;
using webtest::Connection;
using webtest::FakeDevice;

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.') ++n;
        closedir(dir);
    }
    return n;
}

// A client of GET /api/events, reading it message by message.
class Listener {
public:
    explicit Listener(int port, int receiveBuffer = 0) : c_(port, 10, receiveBuffer) {
        if (c_.send(webtest::requestText("GET", "/api/events", port))) head_ = c_.readHead();
    }
    const std::optional<webtest::Response>& head() const { return head_; }
    // The next whole message ("event: ...\ndata: ...\n\n"); nothing when the stream ends.
    std::optional<std::string> next() {
        std::size_t end;
        while ((end = pending_.find("\n\n")) == std::string::npos) {
            auto piece = c_.readChunk();
            if (!piece) return std::nullopt;
            pending_ += *piece;
        }
        std::string message = pending_.substr(0, end + 2);
        pending_.erase(0, end + 2);
        return message;
    }
    Connection& connection() { return c_; }

private:
    Connection c_;
    std::optional<webtest::Response> head_;
    std::string pending_;
};

// Waits (at most 10 s) for `probe` on the loop to answer true.
template <class F>
bool eventually(webtest::ServedOnLoop& served, F probe) {
    for (int i = 0; i < 200; ++i) {
        if (served.onLoop(probe)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(EventStream, ListenersReceiveTheFrameSerialAndWhatIsBroadcast) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    Listener a(served.port()), b(served.port());
    ASSERT_TRUE(a.head());
    EXPECT_EQ(a.head()->status, 200);
    EXPECT_EQ(a.head()->header("Content-Type"), "text/event-stream");
    EXPECT_EQ(a.head()->header("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(a.next(), web::eventMessage("frame", {{"serial", 7}}));
    EXPECT_EQ(b.next(), web::eventMessage("frame", {{"serial", 7}}));

    std::string note = web::eventMessage("note", {{"text", "hello"}});
    EXPECT_EQ(served.onLoop([&] { return served.server().broadcast(note); }), 2u);
    EXPECT_EQ(a.next(), note);
    EXPECT_EQ(b.next(), note);

    // A new frame is told without anyone asking for it.
    served.onLoop([&] { device.serial = 8; });
    EXPECT_EQ(a.next(), web::eventMessage("frame", {{"serial", 8}}));
    EXPECT_EQ(b.next(), web::eventMessage("frame", {{"serial", 8}}));

    // Requests go on being answered beside the streams.
    auto status = webtest::request(served.port(), "GET", "/api/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, 200);
}

TEST(EventStream, ListeningHoldsNoThread) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    const int before = threadCount();
    std::vector<std::unique_ptr<Listener>> listeners;
    for (int i = 0; i < 6; ++i) {
        listeners.push_back(std::make_unique<Listener>(served.port()));
        ASSERT_TRUE(listeners.back()->next());
    }
    EXPECT_EQ(served.onLoop([&] { return served.server().streamCount(); }), 6u);
    EXPECT_EQ(threadCount(), before);
}

TEST(EventStream, AListenerThatLeavesIsForgotten) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    auto staying = std::make_unique<Listener>(served.port());
    auto leaving = std::make_unique<Listener>(served.port());
    ASSERT_TRUE(staying->next());
    ASSERT_TRUE(leaving->next());
    ASSERT_EQ(served.onLoop([&] { return served.server().streamCount(); }), 2u);

    leaving.reset();
    EXPECT_TRUE(eventually(served, [&] { return served.server().streamCount() == 1; }))
        << "a closed listener is still counted";
    std::string note = web::eventMessage("note", {{"n", 1}});
    EXPECT_EQ(served.onLoop([&] { return served.server().broadcast(note); }), 1u);
    EXPECT_EQ(staying->next(), note);
}

TEST(EventStream, ASlowReaderLosesTheOldestMessagesNotTheNewest) {
    FakeDevice device;
    web::ServerOptions options;
    options.streamBacklogBytes = 64 * 1024;
    webtest::ServedOnLoop served(device, options);
    Listener slow(served.port(), 16 * 1024);
    ASSERT_TRUE(slow.next());

    // Far more than the backlog and the socket buffers hold, while the client reads nothing.
    constexpr int kMessages = 10000;
    const std::string pad(4000, 'x');
    served.onLoop([&] {
        for (int i = 0; i < kMessages; ++i) served.server().broadcast(web::eventMessage("n", {{"i", i}, {"pad", pad}}));
    });

    int received = 0, last = -1;
    while (last != kMessages - 1) {
        auto message = slow.next();
        ASSERT_TRUE(message) << "the stream ended after message " << last;
        ASSERT_EQ(message->rfind("event: n\ndata: ", 0), 0u) << *message;
        json data = json::parse(message->substr(15), nullptr, false);
        ASSERT_TRUE(data.is_object()) << "a message arrived cut: " << message->substr(0, 80);
        int i = data["i"].get<int>();
        EXPECT_GT(i, last) << "messages arrive in order";
        last = i;
        ++received;
    }
    EXPECT_LT(received, kMessages / 2) << "the backlog kept what it should have dropped";
}

TEST(EventStream, StoppingTheServerEndsTheStreams) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    Listener listener(served.port());
    ASSERT_TRUE(listener.next());
    served.halt();
    EXPECT_FALSE(listener.next());
    EXPECT_TRUE(listener.connection().endedByServer());
}

}  // namespace
