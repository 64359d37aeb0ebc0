#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"

namespace {

using nlohmann::json;
using webtest::FakeDevice;
using webtest::Headers;
using Result = std::optional<webtest::Response>;

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        served = std::make_unique<webtest::ServedOnLoop>(device, web::ServerOptions{0, 4096, {}});
        server = &served->server();
        port = served->port();
    }
    void TearDown() override { served.reset(); }

    // Paths go exactly as written.
    Result get(const std::string& path, const Headers& headers = {}) { return webtest::request(port, "GET", path, headers); }
    Result post(const std::string& path, const std::string& body, const std::string& type, Headers headers = {}) {
        headers.emplace_back("Content-Type", type);
        return webtest::request(port, "POST", path, headers, body);
    }
    Result postJSON(const std::string& path, const std::string& body, const Headers& headers = {}) {
        return post(path, body, "application/json", headers);
    }
    std::string own(const std::string& host = "127.0.0.1") const { return host + ":" + std::to_string(port); }

    FakeDevice device;
    std::unique_ptr<webtest::ServedOnLoop> served;
    web::Server* server = nullptr;
    int port = 0;
};

TEST_F(ServerTest, ServesThePageAndItsFiles) {
    EXPECT_EQ(server->address(), "http://127.0.0.1:" + std::to_string(port) + "/");
    auto root = get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 200);
    EXPECT_NE(root->body.find("<canvas id=\"screen\""), std::string::npos);
    EXPECT_EQ(root->header("Content-Type"), "text/html; charset=utf-8");
    auto style = get("/style.css");
    ASSERT_TRUE(style);
    EXPECT_EQ(style->status, 200);
}

// The page's script is a module that imports the others: each one it reaches
// is served, as JavaScript (a browser runs no module of another type), under
// a policy that lets the page load its own scripts.
TEST_F(ServerTest, ServesEveryScriptModuleThePageImports) {
    auto root = get("/");
    ASSERT_TRUE(root);
    ASSERT_NE(root->body.find("<script type=\"module\" src=\"app.js\">"), std::string::npos);
    EXPECT_NE(root->header("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
    const std::regex imported(R"re((?:from|import)\s+"\./([\w-]+\.js)")re");
    std::vector<std::string> pending{"app.js"};
    std::set<std::string> seen;
    std::string all;
    while (!pending.empty()) {
        std::string name = pending.back();
        pending.pop_back();
        if (!seen.insert(name).second) continue;
        auto script = get("/" + name);
        ASSERT_TRUE(script) << name;
        ASSERT_EQ(script->status, 200) << name;
        EXPECT_EQ(script->header("Content-Type"), "text/javascript; charset=utf-8") << name;
        all += script->body;
        for (std::sregex_iterator it(script->body.begin(), script->body.end(), imported), end; it != end; ++it)
            pending.push_back((*it)[1]);
    }
    EXPECT_GT(seen.size(), 5u);
    EXPECT_NE(all.find("/api/frame.png"), std::string::npos);
    EXPECT_NE(all.find("/api/live"), std::string::npos);
}

TEST_F(ServerTest, RefusesForeignHostsAndOrigins) {
    // A page of another site reaching this port through its own name (DNS rebinding).
    for (std::string host : {std::string("evil.example:") + std::to_string(port), std::string("evil.example"),
                             std::string("127.0.0.1:1"), std::string("127.0.0.1.evil.example:") + std::to_string(port),
                             std::string("")}) {
        auto r = get("/api/status", {{"Host", host}});
        ASSERT_TRUE(r) << host;
        EXPECT_EQ(r->status, 403) << host;
        auto t = postJSON("/api/touch", R"({"phase":"down","x":1,"y":2})", {{"Host", host}});
        ASSERT_TRUE(t) << host;
        EXPECT_EQ(t->status, 403) << host;
    }
    for (std::string origin : {std::string("http://evil.example"), std::string("null"),
                               "https://" + own(), "http://" + own() + ".evil.example", std::string("http://127.0.0.1:1")}) {
        auto t = postJSON("/api/touch", R"({"phase":"down","x":1,"y":2})", {{"Origin", origin}});
        ASSERT_TRUE(t) << origin;
        EXPECT_EQ(t->status, 403) << origin;
    }
    EXPECT_TRUE(device.touches.empty());
    EXPECT_TRUE(device.calls.empty());

    // The page itself, opened at either loopback name.
    auto fromPage = postJSON("/api/touch", R"({"phase":"down","x":1,"y":2})",
                             {{"Host", own("localhost")}, {"Origin", "http://" + own("localhost")}});
    ASSERT_TRUE(fromPage);
    EXPECT_EQ(fromPage->status, 200);
    EXPECT_EQ(device.touches.size(), 1u);
}

TEST_F(ServerTest, RefusesOversizedBodies) {
    std::string big = R"({"phase":"down","x":1,"y":2,"pad":")" + std::string(8192, 'a') + "\"}";
    auto r = postJSON("/api/touch", big);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 413);
    EXPECT_TRUE(device.touches.empty());
    auto ok = postJSON("/api/touch", R"({"phase":"down","x":1,"y":2})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
}

TEST_F(ServerTest, ServesNothingOutsideThePageFiles) {
    for (const char* path : {"/../CMakeLists.txt", "/..%2f..%2f..%2fetc%2fpasswd", "/%2e%2e/%2e%2e/etc/passwd",
                             "/static/../../../../etc/passwd", "/app.js/../../../../etc/passwd", "//etc/passwd",
                             "/%2fetc%2fpasswd", "/index.html%00.js", "/..\\..\\etc\\passwd", "/PageData.h",
                             "/EmbedPage.cmake", "/static/index.html", "/.git/config"}) {
        auto r = get(path);
        ASSERT_TRUE(r) << path;
        EXPECT_TRUE(r->status == 404 || r->status == 400) << path << " answered " << r->status;
        EXPECT_EQ(r->body.find("root:"), std::string::npos) << path;
    }
}

TEST_F(ServerTest, ForwardsTouchesInScreenPoints) {
    for (auto [phase, x, y] : {std::tuple{"down", 10.5, 20.0}, {"move", 12.0, 220.25}, {"up", 12.0, 230.0}}) {
        auto r = postJSON("/api/touch", json{{"phase", phase}, {"x", x}, {"y", y}}.dump());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
    }
    ASSERT_EQ(device.touches.size(), 3u);
    EXPECT_EQ(device.touches[0].phase, web::TouchPhase::Down);
    EXPECT_EQ(device.touches[1].phase, web::TouchPhase::Move);
    EXPECT_EQ(device.touches[2].phase, web::TouchPhase::Up);
    EXPECT_DOUBLE_EQ(device.touches[0].x, 10.5);
    EXPECT_DOUBLE_EQ(device.touches[1].y, 220.25);
}

TEST_F(ServerTest, AMoveOlderThanOneForwardedIsDroppedAndAPressCountsAgain) {
    auto touch = [&](const char* phase, double x, unsigned seq) {
        auto r = postJSON("/api/touch", json{{"phase", phase}, {"x", x}, {"y", 1.0}, {"seq", seq}}.dump());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << phase << " " << seq;
    };
    touch("down", 1, 7);
    touch("move", 3, 9);
    touch("move", 2, 8);  // overtaken on the way
    touch("move", 4, 10);
    touch("up", 4, 11);
    touch("down", 5, 1);  // a page loaded anew
    touch("move", 6, 2);
    std::vector<double> xs;
    for (const auto& t : device.touches) xs.push_back(t.x);
    EXPECT_EQ(xs, (std::vector<double>{1, 3, 4, 4, 5, 6}));
    auto bad = postJSON("/api/touch", R"({"phase":"move","x":1,"y":2,"seq":-1})");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    EXPECT_NE(bad->body.find("seq"), std::string::npos);
}

TEST_F(ServerTest, RejectsMalformedRequestsBeforeTheDevice) {
    struct Case {
        const char* path;
        const char* body;
        const char* type;
        int status;
    };
    for (const Case& c : std::vector<Case>{
             {"/api/touch", R"({"phase":"down","x":1,"y":2})", "text/plain", 415},
             {"/api/touch", R"({"phase":"down","x":1,"y":2})", "application/x-www-form-urlencoded", 415},
             {"/api/touch", R"({"phase":"down","x":1)", "application/json", 400},
             {"/api/touch", R"([1,2])", "application/json", 400},
             {"/api/touch", R"({"phase":"press","x":1,"y":2})", "application/json", 400},
             {"/api/touch", R"({"phase":"down","x":"1","y":2})", "application/json", 400},
             {"/api/touch", R"({"phase":"down","x":1})", "application/json", 400},
             {"/api/prefs/set", R"({"key":"useBold"})", "application/json", 400},
             {"/api/prefs/set", R"({"key":5,"value":true})", "application/json", 400},
             {"/api/prefs/alert", R"({"button":-1})", "application/json", 400},
             {"/api/prefs/alert", R"({"button":"OK"})", "application/json", 400},
             {"/api/media", R"({"playing":"yes"})", "application/json", 400},
             {"/api/lock", R"({"locked":1})", "application/json", 400},
             {"/api/wallpaper", "GIF89a", "image/gif", 415},
             {"/api/statusbar", R"({"signal":5})", "application/json", 400},
             {"/api/statusbar", R"({"battery":-1})", "application/json", 400},
             {"/api/statusbar", R"({"battery":50.5})", "application/json", 400},
             {"/api/statusbar", R"({"carrier":7})", "application/json", 400},
             {"/api/statusbar", R"({"charging":"yes"})", "application/json", 400},
             {"/api/statusbar", R"({"clear":true,"signal":1})", "application/json", 400},
             {"/api/device", R"({"screen":375})", "application/json", 400},
             {"/api/device", R"({"model":5})", "application/json", 400},
         }) {
        auto r = post(c.path, c.body, c.type);
        ASSERT_TRUE(r) << c.path << " " << c.body;
        EXPECT_EQ(r->status, c.status) << c.path << " " << c.body;
        EXPECT_TRUE(json::parse(r->body, nullptr, false).contains("error")) << c.path;
    }
    EXPECT_TRUE(device.touches.empty());
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(ServerTest, SettingsRequestsReachTheDeviceAndAnswerThePage) {
    auto page = get("/api/prefs?page=More");
    ASSERT_TRUE(page);
    EXPECT_EQ(json::parse(page->body)["page"], "More");

    auto set = postJSON("/api/prefs/set", R"({"page":"","key":"useBold","value":true})");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, 200);
    EXPECT_EQ(json::parse(set->body)["page"], "Root");
    EXPECT_EQ(device.lastValue, json(true));

    auto press = postJSON("/api/prefs/press", R"({"page":"More","action":"reset"})");
    ASSERT_TRUE(press);
    auto alert = postJSON("/api/prefs/alert", R"({"button":1})");
    ASSERT_TRUE(alert);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"page More", "set  useBold", "press More reset", "alert 1"}));
}

TEST_F(ServerTest, DeviceControlsReachTheDevice) {
    ASSERT_TRUE(postJSON("/api/weather", R"({"temperature":"21°","location":"Paris","conditions":"Sunny"})"));
    ASSERT_TRUE(postJSON("/api/media", R"({"playing":true})"));
    ASSERT_TRUE(postJSON("/api/respring", "{}"));
    auto changed = postJSON("/api/device", R"({"screen":"414x736","locale":"fr_FR","wallpaper":"light"})");
    ASSERT_TRUE(changed);
    EXPECT_EQ(json::parse(changed->body)["model"], "iPhone");
    ASSERT_TRUE(postJSON("/api/device", R"({"model":"iPad","screen":"768x1024"})"));
    EXPECT_EQ(device.calls, (std::vector<std::string>{"weather 21°|Paris|Sunny|", "status", "media play", "status",
                                                      "respring", "change - 414x736 - fr_FR light", "status",
                                                      "change - 768x1024 - - - iPad", "status"}));
}

TEST_F(ServerTest, TheLockStateStatusBarAndAPictureReachTheDevice) {
    auto unlocked = postJSON("/api/lock", R"({"locked":false})");
    ASSERT_TRUE(unlocked);
    EXPECT_EQ(unlocked->status, 200);
    EXPECT_EQ(json::parse(unlocked->body)["locked"], false);
    ASSERT_TRUE(postJSON("/api/statusbar", R"({"carrier":"Orvelle","signal":0,"battery":100,"charging":false})"));
    ASSERT_TRUE(postJSON("/api/statusbar", R"({"battery":null,"signal":4})"));
    ASSERT_TRUE(postJSON("/api/statusbar", R"({"clear":true})"));
    ASSERT_TRUE(post("/api/wallpaper", std::string(100 * 1024, 'p'), "image/png"));  // past the JSON bodies' bound
    EXPECT_EQ(device.calls, (std::vector<std::string>{"unlock", "statusbar Orvelle|0|100|no", "statusbar -|4|-|-",
                                                      "statusbar clear-|-|-|-", "wallpaper 102400 bytes", "status"}));
}

TEST_F(ServerTest, AWeatherValueIsSetByTextClearedByNullAndKeptOtherwise) {
    auto cleared = postJSON("/api/weather", R"({"temperature":null,"location":"","conditions":"Rain","icon":null})");
    ASSERT_TRUE(cleared);
    EXPECT_EQ(cleared->status, 200);
    auto wrong = postJSON("/api/weather", R"({"location":5})");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 400);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"weather (clear)||Rain|(clear)", "status"}));
}

TEST_F(ServerTest, DeviceFailuresBecomeErrorsNotSuccesses) {
    device.failNext = "no such key: nope";
    device.failAsBadRequest = true;
    auto bad = postJSON("/api/prefs/set", R"({"key":"nope","value":1})");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    EXPECT_EQ(json::parse(bad->body)["error"], "no such key: nope");

    device.failNext = "SpringBoard is not running";
    device.failAsBadRequest = false;
    auto down = postJSON("/api/respring", "{}");
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, 503);
    EXPECT_EQ(json::parse(down->body)["error"], "SpringBoard is not running");
}

TEST_F(ServerTest, FramesCarryTheirSerialAndUnchangedOnesAreNotResent) {
    auto first = get("/api/frame.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(first->body, device.png);
    EXPECT_EQ(first->header("Content-Type"), "image/png");
    std::string tag = first->header("ETag");
    EXPECT_EQ(tag, "\"7\"");

    auto same = get("/api/frame.png", {{"If-None-Match", tag}});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->status, 304);
    EXPECT_TRUE(same->body.empty());

    served->onLoop([&] {
        device.serial = 8;
        device.png = "\x89PNG newer";
    });
    auto newer = get("/api/frame.png", {{"If-None-Match", tag}});
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->status, 200);
    EXPECT_EQ(newer->body, "\x89PNG newer");

    served->onLoop([&] {
        device.png.clear();
        device.serial = 9;
    });
    auto none = get("/api/frame.png");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->status, 503);
}

TEST(ServerStart, ASecondServerOnABusyPortSaysWhy) {
    ns::ProcessScope fresh;
    FakeDevice device;
    web::Server first(device);
    ASSERT_TRUE(first.start());
    web::Server second(device, web::ServerOptions{first.port(), 4096, {}});
    std::string why = second.start().reason();
    EXPECT_NE(why.find(std::to_string(first.port())), std::string::npos) << why;
    EXPECT_NE(why.find("in use"), std::string::npos) << why;
    web::Server wrong(device, web::ServerOptions{70000, 4096, {}});
    EXPECT_FALSE(wrong.start());
    EXPECT_FALSE(first.start()) << "a running server cannot start again";
}

}  // namespace

TEST_F(ServerTest, TheClockAndNotificationsReachTheDeviceAndMalformedOnesDoNot) {
    for (const char* body : {R"({})", R"({"action":"stop"})", R"({"rate":"NaN"})", R"({"rate":0})", R"({"rate":3601})",
                             R"({"advance":"1m"})", R"({"set":"2027-01-01T00:00:00","rate":10})",
                             R"({"timeZone":"Europe/Berlin"})", R"({"set":5})"}) {
        auto r = postJSON("/api/clock", body);
        ASSERT_TRUE(r) << body;
        EXPECT_EQ(r->status, 400) << body;
        EXPECT_TRUE(json::parse(r->body, nullptr, false).contains("error")) << body;
    }
    auto rate = postJSON("/api/clock", R"({"rate":0})");
    EXPECT_NE(rate->body.find("above 0 and at most 3600"), std::string::npos) << rate->body;
    for (const char* body : {R"({"id":0})", R"({"id":"3"})", R"({"all":false})", R"({"id":3,"all":true})"}) {
        auto r = postJSON("/api/notifications/clear", body);
        EXPECT_EQ(r->status, 400) << body;
    }
    EXPECT_EQ(postJSON("/api/notifications", R"({"title":"no app"})")->status, 400);
    EXPECT_TRUE(device.calls.empty()) << device.calls.front();

    ASSERT_TRUE(get("/api/clock"));
    ASSERT_TRUE(postJSON("/api/clock", R"({"set":"2027-03-28T01:59:58","timeZone":"Europe/Berlin"})"));
    ASSERT_TRUE(postJSON("/api/clock", R"({"advance":-60})"));
    ASSERT_TRUE(postJSON("/api/clock", R"({"action":"pause"})"));
    ASSERT_TRUE(postJSON("/api/notifications", R"({"app":"Chat","title":"Hi","at":"2027-01-01T00:00:00"})"));
    ASSERT_TRUE(postJSON("/api/notifications/clear", R"({"id":3})"));
    ASSERT_TRUE(get("/api/notifications"));
    EXPECT_EQ(device.calls,
              (std::vector<std::string>{"clock show", "clock set 2027-03-28T01:59:58 Europe/Berlin", "clock advance -60",
                                        "clock pause", "notify post Chat|Hi||2027-01-01T00:00:00", "notify clear 3",
                                        "notify list"}));
}
