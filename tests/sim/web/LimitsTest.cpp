// What a client cannot make the server do: read or keep a body over the limit
// however it is sent, wait for a head that never ends, hold every connection,
// or stop it answering others by being slow.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"

namespace {

using nlohmann::json;
using webtest::Connection;
using webtest::FakeDevice;
using webtest::Headers;

constexpr std::size_t kLimit = 64 * 1024;
// Far more than the socket buffers between client and server hold, so a
// client that could send all of it was read to the end.
constexpr std::size_t kFlood = 64u << 20;

void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Sends `head`, then up to kFlood bytes made by `piece` while the server takes
// them; how many body bytes it took before it stopped taking any.
std::size_t flood(Connection& c, const std::string& head, const std::string& piece) {
    if (!c.send(head)) return 0;
    std::size_t sent = 0;
    while (sent < kFlood && c.send(piece)) sent += piece.size();
    return sent;
}

void expectJSONError(const std::optional<webtest::Response>& r, int status) {
    ASSERT_TRUE(r) << "no answer";
    EXPECT_EQ(r->status, status);
    EXPECT_EQ(r->header("Content-Type"), "application/json");
    json body = json::parse(r->body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << r->body;
    EXPECT_TRUE(body.contains("error")) << r->body;
}

class Limits : public ::testing::Test {
protected:
    void serve(web::ServerOptions options = {}) { served = std::make_unique<webtest::ServedOnLoop>(device, options); }
    int port() const { return served->port(); }
    std::string post(const std::string& path, Headers headers, const std::string& version = "HTTP/1.1") {
        std::string text = "POST " + path + " " + version + "\r\nHost: 127.0.0.1:" + std::to_string(port()) + "\r\n";
        for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
        return text + "\r\n";
    }
    // The server goes on answering after whatever a test did to it.
    void expectStillServing() {
        auto r = webtest::request(port(), "GET", "/api/status");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
    }

    FakeDevice device;
    std::unique_ptr<webtest::ServedOnLoop> served;
};

TEST_F(Limits, BodiesOverTheLimitAreRefusedUnreadWhateverTheirFraming) {
    serve();
    const std::string json = "application/json";
    {
        SCOPED_TRACE("a declared length");
        Connection c(port());
        std::size_t sent = flood(c, post("/api/touch", {{"Content-Type", json}, {"Content-Length", std::to_string(kFlood)}}),
                                 std::string(64 * 1024, 'a'));
        EXPECT_LT(sent, kFlood);
        expectJSONError(c.read(), 413);
    }
    {
        SCOPED_TRACE("chunked");
        Connection c(port());
        std::string chunk = std::string("10000\r\n") + std::string(0x10000, 'a') + "\r\n";
        std::size_t sent = flood(c, post("/api/touch", {{"Content-Type", json}, {"Transfer-Encoding", "chunked"}}), chunk);
        EXPECT_LT(sent, kFlood);
        expectJSONError(c.read(), 413);
    }
    {
        // Without a length a request has no body: what follows the head is
        // never read as one.
        SCOPED_TRACE("HTTP/1.0 without a length");
        Connection c(port());
        std::size_t sent = flood(c, post("/api/touch", {{"Content-Type", json}}, "HTTP/1.0"), std::string(64 * 1024, 'a'));
        EXPECT_LT(sent, kFlood);
        expectJSONError(c.read(), 400);
    }
    EXPECT_TRUE(device.touches.empty());
    expectStillServing();
}

TEST_F(Limits, BodiesWithinTheLimitArriveWholeWhateverTheirFraming) {
    serve();
    std::string body = json{{"phase", "down"}, {"x", 1}, {"y", 2}, {"pad", std::string(kLimit - 100, 'p')}}.dump();
    ASSERT_LE(body.size(), kLimit);
    {
        Connection c(port());
        ASSERT_TRUE(c.send(post("/api/touch", {{"Content-Type", "application/json"}, {"Content-Length", std::to_string(body.size())}}) + body));
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << r->body;
    }
    {
        Connection c(port());
        std::string chunked;
        for (std::size_t at = 0; at < body.size(); at += 1000) {
            std::string piece = body.substr(at, 1000);
            char size[16];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            chunked += size + piece + "\r\n";
        }
        chunked += "0\r\n\r\n";
        ASSERT_TRUE(c.send(post("/api/touch", {{"Content-Type", "application/json"}, {"Transfer-Encoding", "chunked"}}) + chunked));
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << r->body;
    }
    EXPECT_EQ(served->onLoop([&] { return device.touches.size(); }), 2u);
}

TEST_F(Limits, APostWithoutABodyIsRefusedAtOnce) {
    // Answered without waiting for a body: long before the connection's own
    // timeouts, which are far beyond the client's wait.
    web::ServerOptions options;
    options.idleSeconds = 120;
    options.headSeconds = 120;
    serve(options);
    for (const Headers& headers : {Headers{{"Content-Type", "application/json"}, {"Content-Length", "0"}},
                                   Headers{{"Content-Type", "application/json"}}}) {
        Connection c(port());
        ASSERT_TRUE(c.send(post("/api/respring", headers)));
        expectJSONError(c.read(), 400);
    }
    EXPECT_TRUE(served->onLoop([&] { return device.calls; }).empty());
}

TEST_F(Limits, AForeignHostIsRefusedBeforeItsBodyIsRead) {
    serve();
    Connection c(port());
    std::string head = "POST /api/touch HTTP/1.1\r\nHost: evil.example\r\nContent-Type: application/json\r\n"
                       "Content-Length: " + std::to_string(kFlood) + "\r\n\r\n";
    EXPECT_LT(flood(c, head, std::string(64 * 1024, 'a')), kFlood);
    expectJSONError(c.read(), 403);
}

TEST_F(Limits, AHeadMustArriveWholeWithinItsDeadline) {
    web::ServerOptions options;
    options.headSeconds = 2;
    serve(options);

    // A line every 0.2 s would take 8 s: the connection is cut, unanswered.
    Connection slow(port());
    ASSERT_TRUE(slow.send("GET /api/status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port()) + "\r\n"));
    bool cut = false;
    for (int line = 0; line < 40 && !cut; ++line) {
        pause(0.2);
        cut = slow.endedNow() || !slow.send("X-Line: " + std::to_string(line) + "\r\n");
    }
    EXPECT_TRUE(cut) << "a head trickling for 8 s was never cut";
    EXPECT_TRUE(slow.endedByServer());
    EXPECT_EQ(slow.received(), "") << "no answer to a head that never ended";

    // A keep-alive connection: the deadline counts from the end of the last
    // request, not from when the connection opened.
    Connection kept(port());
    ASSERT_TRUE(kept.send(webtest::requestText("GET", "/api/status", port())));
    auto first = kept.read();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    pause(1.2);
    ASSERT_TRUE(kept.send("GET /api/status HTTP/1.1\r\n"));
    pause(0.5);
    ASSERT_TRUE(kept.send("Host: 127.0.0.1:" + std::to_string(port()) + "\r\n\r\n"));
    auto second = kept.read();
    ASSERT_TRUE(second) << "a head sent in time on a kept connection was cut";
    EXPECT_EQ(second->status, 200);
}

TEST_F(Limits, EightSlowClientsDoNotDelayANinth) {
    serve();
    std::vector<std::unique_ptr<Connection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<Connection>(port()));
        ASSERT_TRUE(slow.back()->send("GET /api/status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port()) + "\r\n"));
    }
    pause(0.2);
    auto ninth = webtest::request(port(), "GET", "/api/status");
    ASSERT_TRUE(ninth);
    EXPECT_EQ(ninth->status, 200);
    // Answered while all eight still hold their connections, heads unfinished.
    for (auto& c : slow) {
        EXPECT_FALSE(c->endedNow());
        EXPECT_TRUE(c->send("X-Still: here\r\n"));
    }
    // And each of them is served once its head is whole.
    for (auto& c : slow) {
        ASSERT_TRUE(c->send("\r\n"));
        auto r = c->read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
    }
}

TEST_F(Limits, OpenConnectionsAreCappedTheNextWaitsForAFreeOne) {
    web::ServerOptions options;
    options.maxConnections = 4;
    serve(options);
    std::vector<std::unique_ptr<Connection>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<Connection>(port()));
        ASSERT_TRUE(held.back()->send("GET /api/status HTTP/1.1\r\n"));
    }
    Connection waiting(port(), 0.5);
    ASSERT_TRUE(waiting.send(webtest::requestText("GET", "/api/status", port())));
    EXPECT_FALSE(waiting.read()) << "a fifth connection was served while four were open";

    held.clear();
    waiting.setWait(10);
    auto r = waiting.read();
    ASSERT_TRUE(r) << "the waiting connection was never served";
    EXPECT_EQ(r->status, 200);
}

TEST_F(Limits, AHeadLargerThanAConnectionsMemoryIsRefused) {
    serve();
    Connection c(port());
    std::string head = "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port()) + "\r\n";
    for (int i = 0; i < 100; ++i) head += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'f') + "\r\n";
    c.send(head + "\r\n");
    auto r = c.read();
    ASSERT_TRUE(r);
    EXPECT_GE(r->status, 400);
    EXPECT_LT(r->status, 500);
    expectStillServing();
}

}  // namespace
