// End to end on a booted device: the Settings app changes the settings file
// with the right types, restarts the home screen and erases the positions.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;

struct SimRun {
    int status;
    std::string out;
};

SimRun sim(const std::string& args) {
    std::string cmd = std::string(ORVELLE_SIM) + " " + args + " 2>&1";
    SimRun r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[1024];
    while (std::fgets(buf, sizeof buf, p)) r.out += buf;
    r.status = pclose(p);
    return r;
}

class PrefsDeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "prefs-device-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        chmod(pattern.c_str(), 0711);  // the device's own user passes through
        device = pattern + "/device";
        SimRun created = sim("create " + device);
        ASSERT_EQ(created.status, 0) << created.out;
        SimRun booted = sim("boot " + device);
        ASSERT_EQ(booted.status, 0) << booted.out;
    }
    static void TearDownTestSuite() {
        sim("shutdown " + device);
        fs::remove_all(fs::path(device).parent_path());
    }
    static fs::path preferences() { return fs::path(device) / "var/mobile/Library/Preferences"; }
    static std::map<std::string, int> pids() {
        std::map<std::string, int> out;
        std::string text = sim("status " + device).out;
        for (const char* name : {"SpringBoard", "backboardd"}) {
            auto at = text.find(std::string("\n") + name + " ");
            if (at != std::string::npos) out[name] = std::atoi(text.c_str() + at + 2 + std::strlen(name));
        }
        return out;
    }
    // Until both programs are back with other pids than `before` (a bounded number of looks).
    static std::map<std::string, int> restartedFrom(const std::map<std::string, int>& before) {
        std::map<std::string, int> now;
        for (int look = 0; look < 2000; ++look) {
            now = pids();
            if (now.size() == 2 && now["SpringBoard"] != before.at("SpringBoard") &&
                now["backboardd"] != before.at("backboardd"))
                break;
        }
        return now;
    }
    static inline std::string device;
};

TEST_F(PrefsDeviceTest, EachKindOfControlStoresItsType) {
    for (const char* step : {"set enableOVS on", "set clockStyle Row", "set timeFormat 2", "set subTitle 'Good day'",
                             "set disAutoBW yes"}) {
        SimRun r = sim("prefs " + device + " " + step);
        EXPECT_EQ(r.status, 0) << step << ": " << r.out;
    }
    auto settings = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile((preferences() / "com.tovik.orvelle.plist").string()));
    ASSERT_TRUE(settings);
    auto number = [&](const char* key) { return rt::cast<NSNumber>(settings->objectForKey(key)); };
    ASSERT_TRUE(number("enableOVS") && number("clockStyle") && number("timeFormat") && number("disAutoBW"));
    EXPECT_EQ(number("enableOVS")->value, NSNumber::Value{true});
    EXPECT_EQ(number("disAutoBW")->value, NSNumber::Value{true});
    EXPECT_EQ(number("clockStyle")->value, NSNumber::Value{std::int64_t{2}});
    EXPECT_EQ(number("timeFormat")->value, NSNumber::Value{std::int64_t{2}});
    EXPECT_TRUE(isEqualToString(settings->objectForKey("subTitle"), "Good day"));

    SimRun refused = sim("prefs " + device + " set clockStyle Diagonal");
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.out.find("Stacked (0), Row (2)"), std::string::npos) << refused.out;
}

// A Settings program killed in the middle of a write leaves its temporary
// file; the next one removes it at its start, and nothing else.
TEST_F(PrefsDeviceTest, TheTemporaryFilesOfAWriteCutShortAreGoneAtTheNextStart) {
    const fs::path left = preferences() / ".com.tovik.orvelle.plist.123456789.tmp";
    const fs::path other = preferences() / ".com.tovik.orvelle.plist.keep";
    std::ofstream(left) << "<plist version=\"1.0\"><dict><key>subTi";
    std::ofstream(other) << "mine";
    SimRun shown = sim("prefs " + device + " show");
    EXPECT_EQ(shown.status, 0) << shown.out;
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(other));
    fs::remove(other);
}

TEST_F(PrefsDeviceTest, RespringGivesBothProgramsNewPids) {
    auto before = pids();
    ASSERT_EQ(before.size(), 2u);
    SimRun r = sim("prefs " + device + " press respringDevice");
    EXPECT_EQ(r.status, 0) << r.out;
    auto after = restartedFrom(before);
    EXPECT_NE(after["SpringBoard"], before["SpringBoard"]);
    EXPECT_NE(after["backboardd"], before["backboardd"]);
}

TEST_F(PrefsDeviceTest, ResetLayoutRemovesThePositionFilesAndResprings) {
    for (const char* f : {"com.tovik.orvelleClock.plist", "com.tovik.orvelleWeather.plist"})
        std::ofstream(preferences() / f) << "<plist version=\"1.0\"><dict/></plist>";
    auto before = pids();
    SimRun r = sim("prefs " + device + " press resetLayout");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("removed '/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist'\nremoved "
                         "'/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist'"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleClock.plist"));
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleWeather.plist"));
    EXPECT_TRUE(fs::exists(preferences() / "com.tovik.orvelle.plist"));
    auto after = restartedFrom(before);
    EXPECT_NE(after["SpringBoard"], before["SpringBoard"]);
}

TEST_F(PrefsDeviceTest, DonationsReachTheDeviceLog) {
    EXPECT_EQ(sim("prefs " + device + " press donatePayPal").status, 0);
    EXPECT_EQ(sim("prefs " + device + " press donateWeChat").status, 0);
    std::string log = sim("log " + device).out;
    EXPECT_NE(log.find("UIApplication: openURL https://donate.example.org/orvelle"), std::string::npos);
    EXPECT_NE(log.find("UIAlertView shown: title=\"QR Code\" message=\"Thanks for donation\" buttons=[\"Okay!\"]"),
              std::string::npos);
}

}  // namespace
