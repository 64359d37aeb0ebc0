// The Tweaks panel's routes with a fake package manager: what reaches it, the
// upload's own body limit beside every other route's, and refusals.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"
#include "web/PackageLink.h"

namespace {

using nlohmann::json;
using webtest::Headers;

constexpr std::size_t kBodyLimit = 4096;
constexpr std::size_t kPackageLimit = 256 * 1024;
const Headers kDeb{{"Content-Type", "application/vnd.debian.binary-package"}};
const Headers kJson{{"Content-Type", "application/json"}};

class FakePackages final : public web::PackageLink {
public:
    void tweaks(web::Then<json> then) override {
        then(json{{"booted", true},
                  {"libraries",
                   json::array({{{"library", "A.dylib"}, {"loaded", false}, {"reason", "filter did not match"}}})}});
    }
    void installPackage(const std::string& fileName, std::string bytes, web::Then<json> then) override {
        installed.emplace_back(fileName, bytes);
        // A package whose scripts take their time: answered when the test says.
        if (bytes == "slow") return slow.push_back(then);
        if (bytes == "refuse me") return then(web::LinkError("cannot install " + fileName + ": it is not a package", true));
        then(json{{"package", "com.example.x"}, {"version", "1.0"}});
    }
    void removePackage(const std::string& package, web::Then<json> then) override {
        removed.push_back(package);
        then(json{{"package", package}});
    }
    std::vector<std::pair<std::string, std::string>> installed;
    std::vector<std::string> removed;
    std::vector<web::Then<json>> slow;
};

class PackageRoutes : public ::testing::Test {
protected:
    void SetUp() override {
        web::ServerOptions options;
        options.maxBodyBytes = kBodyLimit;
        options.maxPackageBytes = kPackageLimit;
        served = std::make_unique<webtest::ServedOnLoop>(
            std::vector<web::ServedDevice>{{"device", &device, &packages}}, options);
        port = served->port();
    }
    webtest::FakeDevice device;
    FakePackages packages;
    std::unique_ptr<webtest::ServedOnLoop> served;
    int port = 0;
};

TEST_F(PackageRoutes, ThePackageUploadAloneTakesABodyAsLargeAsAPackage) {
    std::string package(kPackageLimit, 'p');
    auto r = webtest::request(port, "POST", "/api/packages/install?name=big%20one.deb", kDeb, package);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << r->body;
    ASSERT_EQ(packages.installed.size(), 1u);
    EXPECT_EQ(packages.installed[0].first, "big one.deb");
    EXPECT_EQ(packages.installed[0].second, package) << "the package arrives whole";

    auto over = webtest::request(port, "POST", "/api/packages/install", kDeb, package + "!");
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 413);
    EXPECT_EQ(packages.installed.size(), 1u) << "nothing over the limit reaches the package manager";
    auto other = webtest::request(port, "POST", "/api/packages/remove", kJson,
                                  "{\"package\": \"" + std::string(kBodyLimit, 'x') + "\"}");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 413) << "every other route keeps the small limit";
    EXPECT_TRUE(packages.removed.empty());
}

TEST_F(PackageRoutes, TweaksRemovalAndRefusalsReachThePage) {
    auto tweaks = webtest::request(port, "GET", "/api/tweaks");
    ASSERT_TRUE(tweaks);
    EXPECT_EQ(tweaks->status, 200);
    EXPECT_EQ(json::parse(tweaks->body)["libraries"][0]["reason"], "filter did not match");

    auto removed = webtest::request(port, "POST", "/api/packages/remove", kJson, R"({"package": "com.example.x"})");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->status, 200);
    EXPECT_EQ(packages.removed, std::vector<std::string>{"com.example.x"});

    auto refused = webtest::request(port, "POST", "/api/packages/install?name=x.deb", kDeb, "refuse me");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(json::parse(refused->body)["error"], "cannot install x.deb: it is not a package");

    auto notAPackage = webtest::request(port, "POST", "/api/packages/install", kJson, "{}");
    ASSERT_TRUE(notAPackage);
    EXPECT_EQ(notAPackage->status, 415);
    auto noName = webtest::request(port, "POST", "/api/packages/remove", kJson, R"({"name": 1})");
    ASSERT_TRUE(noName);
    EXPECT_EQ(noName->status, 400);
    auto wrongMethod = webtest::request(port, "GET", "/api/packages/install");
    ASSERT_TRUE(wrongMethod);
    EXPECT_EQ(wrongMethod->status, 405);
    EXPECT_EQ(packages.installed.size(), 1u);
}

}  // namespace

// A package whose install takes its time holds up no other request: the
// request is set aside, the others are answered meanwhile, and it is
// answered once the package manager is done.
TEST_F(PackageRoutes, ASlowInstallHoldsUpNoOtherRequest) {
    webtest::Connection installing(port, 10);
    ASSERT_TRUE(installing.send(webtest::requestText("POST", "/api/packages/install?name=slow.deb", port,
                                                     {{"Content-Type", "application/vnd.debian.binary-package"}}, "slow")));
    bool asked = false;
    for (int i = 0; i < 200 && !asked; ++i) {
        asked = served->onLoop([&] { return !packages.slow.empty(); });
        if (!asked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(asked) << "the install never reached the package manager";
    for (const char* path : {"/api/status", "/api/tweaks", "/"}) {
        auto other = webtest::request(port, "GET", path);
        ASSERT_TRUE(other) << path;
        EXPECT_EQ(other->status, 200) << path;
    }
    EXPECT_EQ(served->onLoop([&] { return served->server().waitingRequests(); }), 1u);
    served->onLoop([&] {
        for (auto& then : packages.slow) then(json{{"package", "com.example.slow"}, {"version", "2.0"}});
        packages.slow.clear();
        return 0;
    });
    auto done = installing.read();
    ASSERT_TRUE(done) << "the install's answer never came";
    EXPECT_EQ(done->status, 200);
    EXPECT_EQ(json::parse(done->body)["version"], "2.0");
    EXPECT_EQ(served->onLoop([&] { return served->server().waitingRequests(); }), 0u);
}
