// The live screen's stream: a page gets the device's state and its whole
// screen, then only what changes and nothing while the screen is still; a
// page that connects later is caught up; the watch ends with the last page.
// And the routes beside it: crash reports as plain text, a boot.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"
#include "web/ScreenStream.h"

namespace {

using nlohmann::json;
using webtest::FakeDevice;

// One message of the stream, as the page reads it.
struct Message {
    int kind = 0;
    std::string body;
    std::uint32_t u32(std::size_t at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(body[at + i]);
        return v;
    }
    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(body[at]) | static_cast<unsigned char>(body[at + 1]) << 8);
    }
};

class Page {
public:
    explicit Page(int port) : c_(port, 5) {
        if (c_.send(webtest::requestText("GET", "/api/screen", port))) head_ = c_.readHead();
    }
    const std::optional<webtest::Response>& head() const { return head_; }
    std::optional<Message> next() {
        while (true) {
            if (pending_.size() >= 4) {
                Message m;
                m.body = pending_;
                std::uint32_t length = Message{0, pending_}.u32(0);
                if (pending_.size() >= 4 + length) {
                    m.kind = static_cast<unsigned char>(pending_[4]);
                    m.body = pending_.substr(5, length - 1);
                    pending_.erase(0, 4 + length);
                    return m;
                }
            }
            auto piece = c_.readChunk();
            if (!piece) return std::nullopt;
            pending_ += *piece;
        }
    }
    webtest::Connection& connection() { return c_; }

private:
    webtest::Connection c_;
    std::optional<webtest::Response> head_;
    std::string pending_;
};

web::ScreenUpdate update(std::uint64_t serial, bool whole, std::vector<web::ScreenPicture> pictures) {
    return web::ScreenUpdate{serial, 750, 1334, whole, std::move(pictures)};
}

template <class F>
bool eventually(webtest::ServedOnLoop& served, F probe) {
    for (int i = 0; i < 200; ++i) {
        if (served.onLoop(probe)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

TEST(ScreenStream, APageGetsTheStateAndWholeScreenThenOnlyWhatChanges) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    Page page(served.port());
    ASSERT_TRUE(page.head());
    EXPECT_EQ(page.head()->status, 200);
    EXPECT_EQ(page.head()->header("Content-Type"), "application/octet-stream");
    ASSERT_TRUE(eventually(served, [&] { return device.watching; })) << "the page's stream did not start the watch";

    served.onLoop([&] {
        device.sink.state({{"state", "live"}});
        device.sink.screen(update(1, true, {{0, 0, 750, 1334, "WHOLE"}}));
    });
    auto state = page.next();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, 2);
    EXPECT_EQ(json::parse(state->body), (json{{"state", "live"}, {"type", "device"}}));
    auto whole = page.next();
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->kind, 1);
    EXPECT_EQ(whole->u16(4), 750);
    EXPECT_EQ(whole->u16(6), 1334);
    EXPECT_EQ(whole->body[8], 1) << "marked whole";
    EXPECT_EQ(whole->u16(9), 1);
    EXPECT_EQ(whole->body.substr(11 + 12), "WHOLE");

    // A region: its place and its picture alone.
    served.onLoop([&] { device.sink.screen(update(2, false, {{128, 96, 32, 64, "COLON"}})); });
    auto part = page.next();
    ASSERT_TRUE(part);
    EXPECT_EQ(part->body[8], 0);
    EXPECT_EQ(part->u16(11), 128);
    EXPECT_EQ(part->u16(13), 96);
    EXPECT_EQ(part->u16(15), 32);
    EXPECT_EQ(part->u16(17), 64);
    EXPECT_EQ(part->u32(19), 5u);
    EXPECT_EQ(part->body.substr(23), "COLON");

    // Nothing changes: nothing comes.
    page.connection().setWait(0.5);
    EXPECT_FALSE(page.next()) << "a message came while the screen was still";

    // The page leaves: the watch ends with it.
    page.connection().close();
    EXPECT_TRUE(eventually(served, [&] { return !device.watching; }));
}

TEST(ScreenStream, APageThatConnectsLaterIsCaughtUpFromTheLastWholeScreen) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    Page first(served.port());
    ASSERT_TRUE(eventually(served, [&] { return device.watching; }));
    served.onLoop([&] {
        device.sink.state({{"state", "live"}});
        device.sink.screen(update(1, true, {{0, 0, 750, 1334, std::string(1000, 'W')}}));
        device.sink.screen(update(2, false, {{0, 0, 32, 32, "A"}}));
        device.sink.screen(update(3, false, {{32, 0, 32, 32, "B"}}));
    });
    const int asked = served.onLoop([&] { return device.wholeAsks; });
    Page later(served.port());
    std::vector<std::string> got;
    for (int i = 0; i < 4; ++i) {
        auto m = later.next();
        ASSERT_TRUE(m) << "message " << i;
        got.push_back(m->kind == 2 ? "state" : m->body.substr(m->body.size() - 1));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"state", "W", "A", "B"}));
    EXPECT_EQ(served.onLoop([&] { return device.wholeAsks; }), asked) << "caught up without a new whole screen";

    // Updates past a few whole screens' worth: the next page asks for a whole one.
    served.onLoop([&] {
        for (int i = 0; i < 5; ++i) device.sink.screen(update(4 + i, false, {{0, 0, 32, 32, std::string(1000, 'x')}}));
    });
    Page third(served.port());
    auto state = third.next();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, 2);
    EXPECT_TRUE(eventually(served, [&] { return device.wholeAsks == asked + 1; }));
    served.onLoop([&] { device.sink.screen(update(10, true, {{0, 0, 750, 1334, "NEW"}})); });
    auto whole = third.next();
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->body.substr(whole->body.size() - 3), "NEW");
}

TEST(ScreenStream, SettingsChangedElsewhereAreTold) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    Page page(served.port());
    ASSERT_TRUE(eventually(served, [&] { return device.watching; }));
    served.onLoop([&] { device.sink.settings(); });
    auto m = page.next();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, 2);
    EXPECT_EQ(json::parse(m->body)["type"], "settings");
}

TEST(ScreenStream, CrashReportsAreListedAndShownAsPlainText) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    auto list = webtest::request(served.port(), "GET", "/api/crashes");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->status, 200);
    EXPECT_EQ(json::parse(list->body)["reports"][0]["name"], "SpringBoard-1.crash");

    served.onLoop([&] { device.crashText = "<script>alert(1)</script>"; });
    auto one = webtest::request(served.port(), "GET", "/api/crashes?name=SpringBoard-1.crash");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->status, 200);
    EXPECT_EQ(one->header("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(one->header("Content-Security-Policy"), "default-src 'none'");
    EXPECT_EQ(one->body, "<script>alert(1)</script>");

    auto missing = webtest::request(served.port(), "GET", "/api/crashes?name=..%2F..%2Fetc%2Fpasswd");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 400);
}

TEST(ScreenStream, BootGoesToTheDevice) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    auto booted = webtest::request(served.port(), "POST", "/api/boot", {{"Content-Type", "application/json"}}, "{}");
    ASSERT_TRUE(booted);
    EXPECT_EQ(booted->status, 200);
    EXPECT_EQ(served.onLoop([&] { return device.calls.front(); }), "boot");
}

}  // namespace
