// `orvelle-sim serve` on a booted device, asked through HTTP as the page asks:
// a new kind of device, refused changes that change nothing, weather, media,
// and the Settings app's pages, rows, buttons and alerts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
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

TEST_F(ServeDevice, SetupValuesThatCouldNotRunAreRefusedNamingWhatIsAccepted) {
    std::string profileBefore = readFile(fs::path(path()) / "profile.plist");
    int pidBefore = device->pidOf("SpringBoard");
    const std::pair<json, const char*> cases[] = {
        {{{"screen", "99999x99999"}}, "is not one of the iPhone screens of system 11.1.2: 320x568@2, 375x667@2, 414x736@3, 375x812@3"},
        {{{"screen", "10x10"}}, "the screen 10x10 is not one"},
        {{{"screen", "375.5x667"}}, "the screen 375.5x667 is not one"},
        {{{"screen", "375x812"}, {"systemVersion", "10.3.3"}}, "of system 10.3.3: 320x568@2, 375x667@2, 414x736@3"},
        {{{"systemVersion", "9.0"}}, "\"9.0\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1"},
        {{{"systemVersion", "12.0"}}, "\"12.0\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1"},
        {{{"timeZone", "Europe/Pari"}}, "the time zone \"Europe/Pari\" is not one the date library knows"},
        {{{"timeZone", "Mars/Olympus"}}, "the time zone \"Mars/Olympus\" is not one the date library knows"},
        {{{"locale", "zz_ZZ"}}, "the locale \"zz_ZZ\" is not one the date library knows"},
        {{{"wallpaper", "sepia"}}, "the wallpaper \"sepia\" is neither dark, light nor an absolute picture path"},
    };
    for (const auto& [bad, says] : cases) {
        json answer = post("/api/device", bad, 400);
        EXPECT_NE(answer.value("error", "").find(says), std::string::npos) << bad.dump() << ": " << answer.dump();
    }
    EXPECT_EQ(readFile(fs::path(path()) / "profile.plist"), profileBefore);
    EXPECT_EQ(device->pidOf("SpringBoard"), pidBefore);
    EXPECT_TRUE(get("/api/status")["booted"].get<bool>());
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

// A change whose device does not start: back to the profile that ran, booted
// again, and the answer says what failed.
TEST_F(ServeDevice, AChangeThatFailsToStartRollsBackAndBootsTheOldDevice) {
    fs::path libraries = fs::path(path()) / "Library/MobileSubstrate/DynamicLibraries";
    fs::copy_file(HANG_AT_LOAD_TWEAK, libraries / "HangAtLoad.dylib", fs::copy_options::overwrite_existing);
    // Loaded by the home screen of system 10 only (its CoreFoundation versions).
    std::ofstream(libraries / "HangAtLoad.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>Filter</key><dict>
<key>Bundles</key><array><string>com.apple.springboard</string></array>
<key>CoreFoundationVersion</key><array><real>1348</real><real>1400</real></array>
</dict></dict></plist>
)";
    std::string profileBefore = readFile(fs::path(path()) / "profile.plist");
    json answer = post("/api/device", {{"systemVersion", "10.3.3"}}, 503);
    std::string why = answer.value("error", "");
    EXPECT_NE(why.find("did not start as iPhone 10.3.3"), std::string::npos) << why;
    EXPECT_NE(why.find("it runs again as before, iPhone 11.1.2"), std::string::npos) << why;
    EXPECT_EQ(readFile(fs::path(path()) / "profile.plist"), profileBefore);
    json status = get("/api/status");
    EXPECT_TRUE(status["booted"].get<bool>()) << status.dump();
    EXPECT_EQ(status["systemVersion"], "11.1.2");
    EXPECT_GT(device->pidOf("SpringBoard"), 0);
    fs::remove(libraries / "HangAtLoad.dylib");
    fs::remove(libraries / "HangAtLoad.plist");
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
