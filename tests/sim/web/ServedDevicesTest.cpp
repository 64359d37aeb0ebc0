// A server of several devices: each path under /d/N/ reaches device N alone
// (its requests, its live connection, its uploads with their own limits), the
// paths without a prefix the first device, a device not served nothing; the
// page of them all at "/"; and a device that does not answer holds up no other.
#include <gtest/gtest.h>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "LivePage.h"
#include "ServedOnLoop.h"

namespace {

using nlohmann::json;
using webtest::FakeDevice;
using webtest::Headers;

const Headers kJson{{"Content-Type", "application/json"}};

class NullPackages final : public web::PackageLink {
public:
    void tweaks(web::Then<json> then) override { then(json{{"booted", true}, {"libraries", json::array()}}); }
    void installPackage(const std::string& fileName, std::string bytes, web::Then<json> then) override {
        installed.push_back(fileName + " " + std::to_string(bytes.size()));
        then(json{{"package", "com.example.x"}, {"version", "1.0"}});
    }
    void removePackage(const std::string& package, web::Then<json> then) override { then(json{{"package", package}}); }
    std::vector<std::string> installed;
};

class TwoDevices : public ::testing::Test {
protected:
    void SetUp() override {
        web::ServerOptions options;
        options.maxBodyBytes = 4096;
        options.maxPackageBytes = 64 * 1024;
        served = std::make_unique<webtest::ServedOnLoop>(
            std::vector<web::ServedDevice>{{"phone-a", &first, &firstPackages}, {"phone-b", &second, &secondPackages}},
            options);
        port = served->port();
    }
    std::optional<webtest::Response> post(const std::string& path, const std::string& body = "{}") {
        return webtest::request(port, "POST", path, kJson, body);
    }

    FakeDevice first, second;
    NullPackages firstPackages, secondPackages;
    std::unique_ptr<webtest::ServedOnLoop> served;
    int port = 0;
};

TEST_F(TwoDevices, EachPathReachesTheDeviceItNamesAndNoOther) {
    auto touched = post("/d/1/api/touch", R"({"phase":"down","x":10,"y":20})");
    ASSERT_TRUE(touched);
    EXPECT_EQ(touched->status, 200) << touched->body;
    ASSERT_TRUE(served->eventually([&] { return second.touches.size() == 1; }));
    EXPECT_TRUE(served->onLoop([&] { return first.touches.empty(); })) << "a touch on one device reached the other";

    auto set = post("/d/0/api/prefs/set", R"({"page":"","key":"enableOVS","value":true})");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, 200) << set->body;
    // Without a prefix, a path is the first device's, as with a server of one.
    ASSERT_TRUE(post("/api/respring"));
    served->onLoop([&] {
        EXPECT_EQ(first.calls, (std::vector<std::string>{"set  enableOVS", "respring"}));
        EXPECT_TRUE(second.calls.empty()) << second.calls.front();
        return 0;
    });

    // Each device's uploads keep their own limits, and reach its own packages.
    auto upload = webtest::request(port, "POST", "/d/1/api/packages/install?name=x.deb",
                                   {{"Content-Type", "application/vnd.debian.binary-package"}}, std::string(32 * 1024, 'p'));
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 200) << upload->body;
    served->onLoop([&] {
        EXPECT_EQ(secondPackages.installed, (std::vector<std::string>{"x.deb 32768"}));
        EXPECT_TRUE(firstPackages.installed.empty());
        return 0;
    });
}

TEST_F(TwoDevices, ADeviceNotServedIsNamedAsSuchAndReachesNothing) {
    for (const char* path : {"/d/2/api/status", "/d/01/api/status", "/d/1", "/d//api/status", "/d/-1/api/status",
                             "/d/99999/api/status", "/d/1x/api/status"}) {
        auto r = webtest::request(port, "GET", path);
        ASSERT_TRUE(r) << path;
        EXPECT_EQ(r->status, 404) << path;
    }
    auto beyond = webtest::request(port, "GET", "/d/2/api/status");
    ASSERT_TRUE(beyond);
    EXPECT_NE(beyond->body.find("this server serves 2, from /d/0/ to /d/1/"), std::string::npos) << beyond->body;
    served->onLoop([&] {
        EXPECT_TRUE(first.calls.empty());
        EXPECT_TRUE(second.calls.empty());
        return 0;
    });
}

TEST_F(TwoDevices, ThePageOfThemAllListsEachAndEachDevicesPageMayBeFramedOnlyByIt) {
    auto listed = webtest::request(port, "GET", "/api/devices");
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->status, 200) << listed->body;
    EXPECT_EQ(json::parse(listed->body),
              json::parse(R"({"devices":[{"index":0,"name":"phone-a","path":"/d/0/"},
                                         {"index":1,"name":"phone-b","path":"/d/1/"}]})"));
    EXPECT_EQ(post("/api/devices")->status, 405);

    auto wall = webtest::request(port, "GET", "/");
    ASSERT_TRUE(wall);
    EXPECT_EQ(wall->status, 200);
    EXPECT_NE(wall->body.find("devices.js"), std::string::npos) << "\"/\" is the page of every device";
    EXPECT_NE(wall->header("Content-Security-Policy").find("frame-ancestors 'none'"), std::string::npos);

    auto own = webtest::request(port, "GET", "/d/1/");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->status, 200);
    EXPECT_NE(own->body.find("app.js"), std::string::npos) << "/d/1/ is device 1's own page";
    EXPECT_NE(own->header("Content-Security-Policy").find("frame-ancestors 'self'"), std::string::npos);

    // Another site's page may not ask either device.
    auto foreign = webtest::request(port, "POST", "/d/1/api/respring",
                                    {{"Content-Type", "application/json"}, {"Origin", "http://evil.example"}}, "{}");
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 403);
    EXPECT_TRUE(served->onLoop([&] { return second.calls.empty(); }));
}

TEST_F(TwoDevices, ADeviceThatDoesNotAnswerHoldsUpNoOther) {
    served->onLoop([&] { return first.deferAnswers = true; });
    webtest::Connection waiting(port, 10);
    ASSERT_TRUE(waiting.send(webtest::requestText("GET", "/d/0/api/status", port)));
    ASSERT_TRUE(served->eventually([&] { return served->server().waitingRequests() == 1; }));

    for (int i = 0; i < 5; ++i) {
        auto other = webtest::request(port, "GET", "/d/1/api/status");
        ASSERT_TRUE(other);
        EXPECT_EQ(other->status, 200) << other->body;
    }
    served->onLoop([&] {
        first.answerLater();
        return 0;
    });
    auto late = waiting.readHead();
    ASSERT_TRUE(late);
    EXPECT_EQ(late->status, 200);
}

TEST_F(TwoDevices, EachLiveConnectionFollowsItsOwnDevice) {
    webtest::LivePage page(port, 10, 0, "/d/1/api/live");
    ASSERT_TRUE(page.live());
    ASSERT_TRUE(page.next());  // hello
    ASSERT_TRUE(served->eventually([&] { return second.watching; }));
    EXPECT_FALSE(served->onLoop([&] { return first.watching; })) << "device 1's page watched device 0";

    wire::DeviceState down;
    down.set_state("down");
    served->onLoop([&] {
        second.sink.state(down);
        return 0;
    });
    auto state = page.next();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->state().state(), "down");
}

}  // namespace
