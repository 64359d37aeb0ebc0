// The page's live connection: a page gets the server's hello, the device's
// state and its whole screen, then only what changes and nothing while the
// screen is still; a page that connects later is caught up; the watch ends
// with the last page; what a page sends reaches the device. And the routes
// beside it: crash reports as plain text, the view tree, a boot.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"
#include "LivePage.h"

namespace {

using nlohmann::json;
using webtest::FakeDevice;
using webtest::LivePage;

// An update as SpringBoard encodes one: a ToPage holding it, byte for byte.
web::ScreenFrame update(std::uint64_t serial, bool whole, std::vector<std::pair<std::array<int, 4>, std::string>> pictures) {
    wire::ToPage m;
    wire::ScreenUpdate& u = *m.mutable_screen();
    u.set_serial(serial);
    u.set_width(750);
    u.set_height(1334);
    u.set_whole(whole);
    for (auto& [rect, png] : pictures) {
        wire::ScreenPicture& p = *u.add_pictures();
        p.set_x(rect[0]);
        p.set_y(rect[1]);
        p.set_width(rect[2]);
        p.set_height(rect[3]);
        p.set_png(png);
    }
    return web::ScreenFrame{m.SerializeAsString(), whole, serial};
}

wire::DeviceState deviceState(const std::string& state) {
    wire::DeviceState s;
    s.set_state(state);
    return s;
}

TEST(LiveStream, APageGetsTheStateAndWholeScreenThenOnlyWhatChanges) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage page(served.port());
    ASSERT_TRUE(page.live()) << (page.head() ? page.head()->status : 0);
    EXPECT_EQ(page.head()->header("Upgrade"), "websocket");
    EXPECT_EQ(page.head()->header("Sec-WebSocket-Accept"), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
    auto hello = page.next();
    ASSERT_TRUE(hello);
    EXPECT_TRUE(hello->has_hello());
    ASSERT_TRUE(served.eventually([&] { return device.watching; })) << "the page did not start the watch";

    const web::ScreenFrame first = update(1, true, {{{0, 0, 750, 1334}, "WHOLE"}});
    served.onLoop([&] {
        device.sink.state(deviceState("live"));
        device.sink.screen(first);
    });
    auto state = page.next();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->state().state(), "live");
    auto whole = page.nextBytes();
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, first.message) << "the update reaches the page as the device encoded it";

    // A region: its place and its picture alone.
    served.onLoop([&] { device.sink.screen(update(2, false, {{{128, 96, 32, 64}, "COLON"}})); });
    auto part = page.next();
    ASSERT_TRUE(part);
    EXPECT_FALSE(part->screen().whole());
    ASSERT_EQ(part->screen().pictures_size(), 1);
    const wire::ScreenPicture& p = part->screen().pictures(0);
    EXPECT_EQ((std::array<unsigned, 4>{p.x(), p.y(), p.width(), p.height()}), (std::array<unsigned, 4>{128, 96, 32, 64}));
    EXPECT_EQ(p.png(), "COLON");

    // Nothing changes: nothing comes.
    page.connection().setWait(0.5);
    EXPECT_FALSE(page.next()) << "a message came while the screen was still";

    // The page leaves: the watch ends with it.
    page.connection().close();
    EXPECT_TRUE(served.eventually([&] { return !device.watching; }));
}

TEST(LiveStream, APageThatConnectsLaterIsCaughtUpFromTheLastWholeScreen) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage first(served.port());
    ASSERT_TRUE(served.eventually([&] { return device.watching; }));
    served.onLoop([&] {
        device.sink.state(deviceState("live"));
        device.sink.screen(update(1, true, {{{0, 0, 750, 1334}, std::string(1000, 'W')}}));
        device.sink.screen(update(2, false, {{{0, 0, 32, 32}, "A"}}));
        device.sink.screen(update(3, false, {{{32, 0, 32, 32}, "B"}}));
    });
    const int asked = served.onLoop([&] { return device.wholeAsks; });
    LivePage later(served.port());
    std::vector<std::string> got;
    for (int i = 0; i < 5; ++i) {
        auto m = later.next();
        ASSERT_TRUE(m) << "message " << i;
        got.push_back(m->has_hello() ? "hello" : m->has_state() ? "state" : m->screen().pictures(0).png().substr(0, 1));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"hello", "state", "W", "A", "B"}));
    EXPECT_EQ(served.onLoop([&] { return device.wholeAsks; }), asked) << "caught up without a new whole screen";

    // Updates past a few whole screens' worth: the next page asks for a whole one.
    served.onLoop([&] {
        for (int i = 0; i < 5; ++i)
            device.sink.screen(update(4 + i, false, {{{0, 0, 32, 32}, std::string(1000, 'x')}}));
    });
    LivePage third(served.port());
    ASSERT_TRUE(third.next() && third.next());  // its hello and the state
    EXPECT_TRUE(served.eventually([&] { return device.wholeAsks == asked + 1; }));
    served.onLoop([&] { device.sink.screen(update(10, true, {{{0, 0, 750, 1334}, "NEW"}})); });
    auto whole = third.next();
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->screen().pictures(0).png(), "NEW");
}

TEST(LiveStream, SettingsChangedElsewhereAreTold) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage page(served.port());
    ASSERT_TRUE(page.next());  // hello
    ASSERT_TRUE(served.eventually([&] { return device.watching; }));
    served.onLoop([&] { device.sink.settings(); });
    auto m = page.next();
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->settings_changed());
}

TEST(LiveStream, APagesTouchesAndAskForAWholeScreenReachTheDevice) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage page(served.port());
    ASSERT_TRUE(page.next());
    wire::FromPage touch;
    touch.mutable_touch()->set_phase(wire::Touch::DOWN);
    touch.mutable_touch()->set_x(12.5);
    touch.mutable_touch()->set_y(80);
    ASSERT_TRUE(page.send(touch));
    wire::FromPage whole;
    whole.mutable_whole_screen();
    ASSERT_TRUE(page.send(whole));
    ASSERT_TRUE(served.eventually([&] { return device.touches.size() == 1 && device.wholeAsks >= 1; }));
    served.onLoop([&] {
        EXPECT_EQ(device.touches[0].phase, web::TouchPhase::Down);
        EXPECT_EQ(device.touches[0].x, 12.5);
        EXPECT_EQ(device.touches[0].y, 80);
    });
}

TEST(LiveStream, WhatIsNotALiveConnectionIsRefusedAndABrokenOneClosed) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    // A plain GET is no WebSocket.
    auto plain = webtest::request(served.port(), "GET", "/api/live");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->status, 426);

    // A frame that is not masked, as no browser sends it: closed as a protocol error.
    LivePage page(served.port(), 5);
    ASSERT_TRUE(page.next());
    ASSERT_TRUE(page.connection().send(std::string("\x82\x01x", 3)));
    EXPECT_FALSE(page.next());
    EXPECT_EQ(page.closedWith(), 1002);

    // A message over the limit is closed as too big, never read whole.
    LivePage big(served.port(), 5);
    ASSERT_TRUE(big.next());
    ASSERT_TRUE(big.sendFrame(2, std::string(200 * 1024, 'x')));
    EXPECT_FALSE(big.next());
    EXPECT_EQ(big.closedWith(), 1009);

    // A message that is not the wire's: logged, the page stays.
    LivePage garbled(served.port(), 5);
    ASSERT_TRUE(garbled.next());
    ASSERT_TRUE(garbled.sendFrame(2, std::string("\xff\xff\xff", 3)));
    served.onLoop([&] { device.sink.settings(); });
    auto still = garbled.next();
    ASSERT_TRUE(still) << "a page that sent a bad message was let go";
    EXPECT_TRUE(still->settings_changed());
}

TEST(LiveStream, CrashReportsAreListedAndShownAsPlainText) {
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

// The view tree is the device's text: passed on unread, never shown as a page,
// and a device that cannot answer is a failure, not an empty tree.
TEST(LiveStream, TheViewTreeIsPassedOnUnreadAndAFailureIsOne) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    served.onLoop([&] { device.viewTreeText = "{\"views\": \"</script><script>alert(1)</script>\"} trailing"; });
    auto tree = webtest::request(served.port(), "GET", "/api/view-tree");
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->status, 200);
    EXPECT_EQ(tree->body, "{\"views\": \"</script><script>alert(1)</script>\"} trailing");
    EXPECT_EQ(tree->header("Content-Security-Policy"), "default-src 'none'");

    served.onLoop([&] { device.failNext = "/devices/a is not booted"; });
    auto down = webtest::request(served.port(), "GET", "/api/view-tree");
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, 503);
    EXPECT_NE(down->body.find("is not booted"), std::string::npos) << down->body;

    auto posted = webtest::request(served.port(), "POST", "/api/view-tree", {{"Content-Type", "application/json"}}, "{}");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 404);
}

// A preview is a picture, never kept by the browser; asked with a GET it is not drawn.
TEST(LiveStream, APreviewIsAFreshPictureAndAFailureIsOne) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    const webtest::Headers json{{"Content-Type", "application/json"}};
    auto shown = webtest::request(served.port(), "POST", "/api/preview", json, "{}");
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->status, 200);
    EXPECT_EQ(shown->header("Content-Type"), "image/png");
    EXPECT_EQ(shown->header("Cache-Control"), "no-store");
    EXPECT_EQ(shown->body, device.png);

    served.onLoop([&] { device.failNext = "the preview could not be drawn: the headless SpringBoard failed (exit 1)"; });
    auto failed = webtest::request(served.port(), "POST", "/api/preview", json, "{}");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 503);
    EXPECT_NE(failed->body.find("could not be drawn"), std::string::npos) << failed->body;

    auto got = webtest::request(served.port(), "GET", "/api/preview");
    ASSERT_TRUE(got);
    EXPECT_EQ(got->status, 404);
    int previews = 0;
    served.onLoop([&] { for (const auto& c : device.calls) previews += c == "preview"; });
    EXPECT_EQ(previews, 2);
}

TEST(LiveStream, BootGoesToTheDevice) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    auto booted = webtest::request(served.port(), "POST", "/api/boot", {{"Content-Type", "application/json"}}, "{}");
    ASSERT_TRUE(booted);
    EXPECT_EQ(booted->status, 200);
    EXPECT_EQ(served.onLoop([&] { return device.calls.front(); }), "boot");
}

}  // namespace

TEST(LiveStream, LogLinesArePushedAsWrittenAndAPageThatConnectsLaterGetsTheRecentOnes) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage first(served.port());
    ASSERT_TRUE(first.next());  // hello
    ASSERT_TRUE(served.eventually([&] { return device.watching; }));
    auto batch = [](std::initializer_list<const char*> texts) {
        wire::LogLines lines;
        for (const char* t : texts) lines.add_lines()->set_text(t);
        return lines;
    };
    served.onLoop([&] { device.sink.log(batch({"one", "two"})); });
    auto pushed = first.next();
    ASSERT_TRUE(pushed);
    ASSERT_EQ(pushed->log().lines_size(), 2);
    EXPECT_FALSE(pushed->log().recent()) << "new lines go at the end of what the page has";
    EXPECT_EQ(pushed->log().lines(1).text(), "two");

    served.onLoop([&] {
        for (int i = 0; i < 600; ++i) device.sink.log(batch({"more"}));
        device.sink.log(batch({"newest"}));
    });
    LivePage later(served.port());
    ASSERT_TRUE(later.next());  // hello
    auto recent = later.next();
    ASSERT_TRUE(recent);
    ASSERT_TRUE(recent->has_log());
    EXPECT_TRUE(recent->log().recent());
    EXPECT_EQ(recent->log().lines_size(), 500) << "the recent lines are bounded";
    EXPECT_EQ(recent->log().lines(499).text(), "newest");
}
