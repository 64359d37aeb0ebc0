// `orvelle-sim serve` on a booted device, asked through HTTP as the page asks:
// a new kind of device, refused changes that change nothing, weather, media,
// and the Settings app's pages, rows, buttons and alerts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "HttpClient.h"
#include "foundation/PropertyList.h"
#include "weather/WeatherRecord.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A serve process and the port it printed.
class Served {
public:
    explicit Served(const std::string& device) {
        int out[2];
        if (pipe(out) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(out[0]);
            execl(ORVELLE_SIM, ORVELLE_SIM, "serve", device.c_str(), "--port", "0", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        output_ = fdopen(out[0], "r");
        char line[512];
        while (std::fgets(line, sizeof line, output_)) {
            std::string text = line;
            auto at = text.find("http://127.0.0.1:");
            if (at != std::string::npos) {
                port_ = std::stoi(text.substr(at + 17));
                break;
            }
        }
    }
    ~Served() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (output_) std::fclose(output_);
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
    int port_ = 0;
};

class ServeDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new TestDevice({"--version", "11.1.2", "--screen", "375x667"});
        ASSERT_EQ(sim({"settings", path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
        markUpdateNoticeSeen(path());
        Output booted = sim({"boot", path()});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
        served = new Served(path());
        ASSERT_GT(served->port(), 0) << "serve printed no address";
    }
    static void TearDownTestSuite() {
        delete served;
        delete device;
    }
    static const std::string& path() { return device->path(); }
    // One request on a connection of its own; a change of device may take a boot.
    static std::optional<webtest::Response> ask(const std::string& method, const std::string& what,
                                                const std::string& body = {}) {
        webtest::Connection c(served->port(), 60);
        webtest::Headers headers;
        if (!body.empty()) headers.push_back({"Content-Type", "application/json"});
        if (!c.send(webtest::requestText(method, what, served->port(), headers, body))) return std::nullopt;
        return c.read();
    }
    static json get(const std::string& what, int expected = 200) {
        auto res = ask("GET", what);
        EXPECT_TRUE(res) << what;
        if (!res) return json();
        EXPECT_EQ(res->status, expected) << what << ": " << res->body;
        return json::parse(res->body, nullptr, false);
    }
    static json post(const std::string& what, const json& body, int expected = 200) {
        auto res = ask("POST", what, body.dump());
        EXPECT_TRUE(res) << what;
        if (!res) return json();
        EXPECT_EQ(res->status, expected) << what << " " << body.dump() << ": " << res->body;
        return json::parse(res->body, nullptr, false);
    }
    static inline TestDevice* device = nullptr;
    static inline Served* served = nullptr;
};

TEST_F(ServeDevice, BadDeviceChangesAreRefusedAndChangeNothing) {
    std::string profileBefore = readFile(fs::path(path()) / "profile.plist");
    int pidBefore = device->pidOf("SpringBoard");
    for (const json& bad : {json{{"screen", "big"}}, json{{"systemVersion", "eleven"}},
                            json{{"timeZone", "Europe/Paris; rm -rf /"}}, json{{"wallpaper", "sepia"}},
                            json{{"locale", ""}}, json{{"screen", 375}}}) {
        json answer = post("/api/device", bad, 400);
        EXPECT_TRUE(answer.contains("error")) << bad.dump();
    }
    EXPECT_EQ(readFile(fs::path(path()) / "profile.plist"), profileBefore);
    EXPECT_EQ(device->pidOf("SpringBoard"), pidBefore);
}

TEST_F(ServeDevice, WeatherAndMediaReachTheDevice) {
    json status = post("/api/weather", {{"temperature", "-4°"}, {"location", "Lima"}, {"icon", "snow"}});
    weather::Record record = weather::readRecord((fs::path(path()) / "var/mobile/Library/Weather/current.plist").string());
    EXPECT_EQ(record.temperature, "-4°");
    EXPECT_EQ(record.location, "Lima");
    EXPECT_EQ(record.icon, "snow");
    EXPECT_EQ(record.conditions, "Sunny");  // what was not sent stays
    EXPECT_EQ(status["weather"]["location"], "Lima");
    post("/api/weather", {{"icon", "hail"}}, 400);

    EXPECT_TRUE(post("/api/media", {{"playing", true}})["media"]["playing"].get<bool>());
    EXPECT_FALSE(post("/api/media", {{"playing", false}})["media"]["playing"].get<bool>());
}

TEST_F(ServeDevice, ANullWeatherValueClearsItAndTheStatusShowsItMissing) {
    json status = post("/api/weather", {{"temperature", nullptr}, {"location", "Oslo"}});
    weather::Record record = weather::readRecord((fs::path(path()) / "var/mobile/Library/Weather/current.plist").string());
    EXPECT_EQ(record.temperature, std::nullopt);
    EXPECT_EQ(record.location, "Oslo");
    EXPECT_TRUE(status["weather"]["temperature"].is_null()) << status.dump();
    EXPECT_EQ(status["weather"]["location"], "Oslo");
}

TEST_F(ServeDevice, TheSettingsSideGoesThroughThePanesOwnCode) {
    json root = get("/api/prefs?page=");
    ASSERT_TRUE(root.contains("groups")) << root.dump();
    EXPECT_EQ(root["header"]["title"], "Orvelle");

    json changed = post("/api/prefs/set", {{"page", root["page"]}, {"key", "clockStyle"}, {"value", 2}});
    bool shown = false;
    for (const json& g : changed["groups"])
        for (const json& c : g["cells"])
            if (c.value("key", "") == "clockStyle") shown = c["value"] == 2;
    EXPECT_TRUE(shown) << changed.dump();
    auto settings = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(
        (fs::path(path()) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist").string()));
    ASSERT_TRUE(settings);
    EXPECT_TRUE(isNumber(settings->objectForKey("clockStyle")));

    json pressed = post("/api/prefs/press", {{"page", root["page"]}, {"action", "donateWeChat"}});
    ASSERT_EQ(pressed["alerts"].size(), 1u) << pressed.dump();
    EXPECT_EQ(pressed["alerts"][0]["image"].get<std::string>().rfind("data:image/png;base64,", 0), 0u);
    EXPECT_TRUE(post("/api/prefs/alert", {{"button", 0}})["alerts"].empty());
    post("/api/prefs/alert", {{"button", 0}}, 400);  // nothing left to tap

    post("/api/prefs/set", {{"page", root["page"]}, {"key", "noSuchKey"}, {"value", true}}, 400);
    get("/api/prefs?page=NoSuchPage", 400);
}

// Last: the device is made anew as another kind of device.
TEST_F(ServeDevice, ANewSystemVersionAndScreenStartTheDeviceAnewWithItsFiles) {
    json status = post("/api/device", {{"systemVersion", "10.3.3"}, {"screen", "320x568"}, {"timeZone", "Europe/Paris"},
                                       {"locale", "fr_FR"}});
    EXPECT_EQ(status["systemVersion"], "10.3.3");
    EXPECT_EQ(status["screen"]["width"], 320);
    EXPECT_EQ(status["timeZone"], "Europe/Paris");
    EXPECT_TRUE(status["booted"].get<bool>());
    Output dumped = sim({"dump", path()});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    json d = json::parse(dumped.out);
    EXPECT_EQ(d["systemVersion"], "10.3.3");
    EXPECT_EQ(d["screen"]["width"], 320);
    // The settings file is still the device's.
    EXPECT_TRUE(fs::exists(fs::path(path()) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist"));
    // The live frame has the new screen's size in pixels.
    auto frame = ask("GET", "/api/frame.png");
    ASSERT_TRUE(frame && frame->status == 200);
    ASSERT_GT(frame->body.size(), 24u);
    auto word = [&](std::size_t at) {
        const auto* b = reinterpret_cast<const unsigned char*>(frame->body.data());
        return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
    };
    EXPECT_EQ(word(16), 640);
    EXPECT_EQ(word(20), 1136);
}

}  // namespace
