// `orvelle-sim serve` on a booted device, asked through HTTP as the page asks:
// a new kind of device, refused changes that change nothing, weather, media,
// and the Settings app's pages, rows, buttons and alerts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "HttpClient.h"
#include "graphics/ImageFile.h"
#include "ServedProcess.h"
#include "foundation/PropertyList.h"
#include "weather/WeatherRecord.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ServeDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new TestDevice({"--version", "11.1.2", "--screen", "375x667"});
        ASSERT_EQ(sim({"settings", path(), "set", "enableOVS", "true", "--type", "bool"}).exitCode, 0);
        markUpdateNoticeSeen(path());
        Output booted = sim({"boot", path()});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
        served = new webtest::ServedProcess(path());
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
    static inline webtest::ServedProcess* served = nullptr;
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
    // The Settings app's list of panes, then the pane's own page.
    json list = get("/api/prefs?page=");
    ASSERT_TRUE(list.contains("groups")) << list.dump();
    EXPECT_EQ(list["title"], "Settings");
    std::string pane;
    for (const json& c : list["groups"][0]["cells"])
        if (c["label"] == "Orvelle") pane = c["page"];
    ASSERT_FALSE(pane.empty()) << list.dump();
    json root = get("/api/prefs?page=" + pane);
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

namespace {

// A picture from the page becomes the wallpaper, kept in the device; a
// malformed one is refused saying why, and the wallpaper stays.
TEST_F(ServeDevice, APictureUploadedBecomesTheWallpaperAndAMalformedOneChangesNothing) {
    const auto file = fs::path(path()).parent_path() / "picture.png";
    ASSERT_TRUE(cg::writePNG(cg::makeFlatImage(40, 30, 200, 120, 40, 255), file.string()));
    std::ifstream in(file, std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto upload = [&](const std::string& type, const std::string& body) {
        webtest::Connection c(served->port(), 60);
        EXPECT_TRUE(c.send(webtest::requestText("POST", "/api/wallpaper", served->port(), {{"Content-Type", type}}, body)));
        return c.read();
    };
    const std::string before = get("/api/status")["wallpaper"];

    auto bad = upload("image/png", png.substr(0, 40));
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400) << bad->body;
    EXPECT_NE(bad->body.find("the picture cannot be the wallpaper: not a readable PNG"), std::string::npos) << bad->body;
    auto wrongType = upload("text/plain", png);
    ASSERT_TRUE(wrongType);
    EXPECT_EQ(wrongType->status, 415);
    EXPECT_EQ(get("/api/status")["wallpaper"], before);

    auto good = upload("image/png", png);
    ASSERT_TRUE(good);
    ASSERT_EQ(good->status, 200) << good->body;
    const std::string now = json::parse(good->body)["wallpaper"];
    EXPECT_EQ(now.rfind("/var/mobile/Library/SpringBoard/LockBackground-", 0), 0u) << now;
    std::ifstream kept(fs::path(path()) / now.substr(1), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), png);
    // Back as it was, for the cases after.
    post("/api/device", {{"wallpaper", before}});
}

}  // namespace

namespace {

// The page can make the device an iPad; the tweak does not run there, and the
// Tweaks panel says so and why rather than only "loaded".
TEST_F(ServeDevice, AnIPadFromThePageSaysWhyThePanelIsNotShown) {
    json status = post("/api/device", {{"model", "iPad"}, {"screen", "768x1024"}});
    EXPECT_EQ(status["model"], "iPad");
    EXPECT_EQ(status["screen"]["width"], 768);
    json tweaks = get("/api/tweaks");
    ASSERT_TRUE(tweaks["panel"].is_object()) << tweaks.dump();
    EXPECT_FALSE(tweaks["panel"]["shown"].get<bool>());
    EXPECT_EQ(tweaks["panel"]["reason"], "the tweak does not run on an iPad");
    // Refused with what the table accepts, and the device stays an iPad.
    json refused = post("/api/device", {{"model", "iPad"}, {"screen", "375x667"}}, 400);
    EXPECT_NE(refused["error"].get<std::string>().find("768x1024"), std::string::npos) << refused.dump();
    EXPECT_EQ(get("/api/status")["model"], "iPad");
}

}  // namespace
