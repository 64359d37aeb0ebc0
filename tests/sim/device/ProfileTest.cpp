// The device profile: screens and versions as the tool accepts them, and the
// file read back as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "inside/ToolkitProfile.h"
#include "wire/DeviceModels.h"
#include "wire/Failure.h"
#include "wire/Profile.h"

namespace {

namespace fs = std::filesystem;

TEST(Profile, ScreensAreWidthByHeightWithAnOptionalScale) {
    sim::Profile p;
    ASSERT_TRUE(sim::parseScreen("320x568", p));
    EXPECT_EQ(p.screenWidth, 320);
    EXPECT_EQ(p.screenHeight, 568);
    EXPECT_EQ(p.screenScale, 2);
    ASSERT_TRUE(sim::parseScreen("414x736@3", p));
    EXPECT_EQ(p.screenScale, 3);
    for (const char* bad : {"", "375", "375x", "x667", "0x667", "-375x667", "375x667@", "375x667@0", "375 x 667",
                            "375x667x2", "nanx667", "infx667"}) {
        sim::Profile untouched;
        EXPECT_FALSE(sim::parseScreen(bad, untouched)) << bad;
        EXPECT_EQ(untouched.screenWidth, 375) << bad;
    }
}

TEST(Profile, VersionsAreOneToThreeNumbers) {
    for (const char* good : {"11", "11.0", "10.3.3"}) EXPECT_TRUE(sim::isSystemVersion(good)) << good;
    for (const char* bad : {"", "11.", ".11", "11..1", "1.2.3.4", "11.1b", "eleven", "-11"})
        EXPECT_FALSE(sim::isSystemVersion(bad)) << bad;
}

class ProfileFile : public ::testing::Test {
protected:
    fs::path file = fs::temp_directory_path() / ("profile-test-" + std::to_string(getpid()) + ".plist");
    void TearDown() override { fs::remove(file); }
};

TEST_F(ProfileFile, ReadsBackWhatWasWritten) {
    sim::Profile p;
    p.model = "iPad";
    p.systemVersion = "10.3.3";
    p.screenWidth = 768;
    p.screenHeight = 1024;
    p.screenScale = 1;
    p.locale = "de_DE";
    p.timeZone = "Europe/Berlin";
    p.withNine = true;
    sim::writeProfile(file, p);
    sim::Profile back = sim::readProfile(file);
    EXPECT_EQ(back.model, "iPad");
    EXPECT_EQ(back.systemVersion, "10.3.3");
    EXPECT_EQ(back.screenWidth, 768);
    EXPECT_EQ(back.screenHeight, 1024);
    EXPECT_EQ(back.screenScale, 1);
    EXPECT_EQ(back.locale, "de_DE");
    EXPECT_EQ(back.timeZone, "Europe/Berlin");
    EXPECT_TRUE(back.withNine);
}

TEST_F(ProfileFile, AMissingBrokenOrMistypedProfileFailsNamingTheFile) {
    EXPECT_THROW(sim::readProfile(file), sim::Failure);
    std::ofstream(file) << "<plist><dict><key>model</key>";
    EXPECT_THROW(sim::readProfile(file), sim::Failure);
    std::ofstream(file) << "<plist version=\"1.0\"><dict><key>screenWidth</key><string>wide</string></dict></plist>";
    try {
        sim::readProfile(file);
        FAIL() << "a string width was taken";
    } catch (const sim::Failure& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("screenWidth"), std::string::npos);
    }
    // Keys left out take the defaults.
    std::ofstream(file) << "<plist version=\"1.0\"><dict><key>model</key><string>iPod</string></dict></plist>";
    sim::Profile p = sim::readProfile(file);
    EXPECT_EQ(p.model, "iPod");
    EXPECT_EQ(p.systemVersion, "11.1.2");
}

TEST_F(ProfileFile, LimitsReadBackAndAnOldProfileTakesTheDefaults) {
    sim::Profile p;
    p.limits = {300, 40, 512, 0.5, 200, 8, 96};
    sim::writeProfile(file, p);
    sim::DeviceLimits back = sim::readProfile(file).limits;
    EXPECT_EQ(back.memoryMiB, 300);
    EXPECT_EQ(back.processes, 40);
    EXPECT_EQ(back.openFiles, 512);
    EXPECT_EQ(back.cpuCores, 0.5);
    EXPECT_EQ(back.cpuWeight, 200);
    EXPECT_EQ(back.fileSizeMiB, 8);
    EXPECT_EQ(back.diskMiB, 96);
    // A profile written before devices had limits.
    std::ofstream(file) << "<plist version=\"1.0\"><dict><key>model</key><string>iPhone</string>"
                           "<key>screenWidth</key><real>375</real></dict></plist>";
    sim::DeviceLimits old = sim::readProfile(file).limits, defaults;
    EXPECT_EQ(old.memoryMiB, defaults.memoryMiB);
    EXPECT_EQ(old.processes, defaults.processes);
    EXPECT_EQ(old.openFiles, defaults.openFiles);
    EXPECT_EQ(old.fileSizeMiB, defaults.fileSizeMiB);
    EXPECT_EQ(old.diskMiB, defaults.diskMiB);
}

TEST_F(ProfileFile, ALimitOutOfRangeOrOfTheWrongTypeFailsNamingTheKey) {
    auto profileWith = [&](const std::string& key, const std::string& value) {
        std::ofstream(file) << "<plist version=\"1.0\"><dict><key>" << key << "</key>" << value << "</dict></plist>";
    };
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"memoryLimitMiB", "<integer>0</integer>"},      {"memoryLimitMiB", "<integer>-5</integer>"},
        {"memoryLimitMiB", "<real>100.5</real>"},        {"memoryLimitMiB", "<string>lots</string>"},
        {"processLimit", "<integer>1</integer>"},        {"processLimit", "<real>1e300</real>"},
        {"openFileLimit", "<integer>3</integer>"},       {"cpuLimitCores", "<real>0</real>"},
        {"cpuLimitCores", "<real>2000</real>"},          {"cpuWeight", "<integer>20000</integer>"},
        {"fileSizeLimitMiB", "<integer>0</integer>"},    {"fileSizeLimitMiB", "<true/>"},
        {"diskLimitMiB", "<integer>8</integer>"},        {"diskLimitMiB", "<string>all</string>"},
    };
    for (const Case& c : cases) {
        profileWith(c.key, c.value);
        try {
            sim::readProfile(file);
            ADD_FAILURE() << c.key << " " << c.value << " was taken";
        } catch (const sim::Failure& e) {
            EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
        }
    }
}

}  // namespace

// The table of devices: what a person may ask for, and what each refusal says.
namespace {

sim::DeviceChoice screenOf(const char* screen, const char* version = "11.1.2") {
    sim::DeviceChoice c;
    c.screen = screen;
    c.version = version;
    return c;
}

}  // namespace

TEST(DeviceTable, AcceptsTheScreensAndVersionsOfTheTableWithTheirScale) {
    struct Case {
        const char* model;
        const char* version;
        const char* screen;
        double scale;
    } cases[] = {
        {"iPhone", "10.0", "320x568", 2},    {"iPhone", "10.3.4", "375x667", 2}, {"iPhone", "11.4.1", "414x736", 3},
        {"iPhone", "11.0", "375x812", 3},    {"iPad", "10.3.3", "768x1024", 2},  {"iPad", "11.2.6", "834x1112", 2},
        {"iPad", "11.1.2", "1024x1366@2", 2},
    };
    for (const Case& c : cases) {
        sim::DeviceChoice choice;
        choice.model = c.model;
        choice.version = c.version;
        choice.screen = c.screen;
        auto p = sim::chooseDevice(sim::Profile{}, choice);
        ASSERT_TRUE(p.ok()) << c.screen << ": " << p.reason();
        EXPECT_EQ(p->screenScale, c.scale) << c.screen;
    }
    // A tablet asked for without a screen gets a tablet's.
    sim::DeviceChoice ipad;
    ipad.model = "iPad";
    auto tablet = sim::chooseDevice(sim::Profile{}, ipad);
    ASSERT_TRUE(tablet.ok()) << tablet.reason();
    EXPECT_EQ(tablet->screenWidth, 768);
}

// The toolkit's status bar is the device's: 44 points beside the sensor
// housing of the phone without a home button, 20 on every other screen.
TEST(DeviceTable, GivesEachScreenItsStatusBarHomeButtonAndHousing) {
    for (const sim::Screen& s : sim::screens()) {
        const bool housing = s.width == 375 && s.height == 812;
        EXPECT_EQ(s.statusBarHeight, housing ? 44 : 20) << s.example;
        EXPECT_EQ(s.homeButton, !housing) << s.example;
        EXPECT_EQ(s.housing.present(), housing) << s.example;
    }
    const sim::Screen* x = sim::findScreen("iPhone", 812, 375);  // either way round
    ASSERT_TRUE(x);
    EXPECT_EQ(x->housing.width, 209);
    EXPECT_FALSE(sim::findScreen("iPad", 375, 812));
    sim::Profile phone;
    phone.screenHeight = 812;
    phone.screenScale = 3;
    sim::configureToolkit(phone);
    EXPECT_EQ(ui::deviceProfile().statusBarHeight, 44);
    phone.screenHeight = 667;
    sim::configureToolkit(phone);
    EXPECT_EQ(ui::deviceProfile().statusBarHeight, 20);
}

TEST(DeviceTable, RefusesWhatCouldNotRunNamingWhatIsAccepted) {
    struct Case {
        sim::DeviceChoice choice;
        const char* says;
    };
    sim::DeviceChoice badZone, badLocale, badModel, badVersion, newVersion;
    badZone.timeZone = "Europe/Pari";
    badLocale.locale = "zz_ZZ";
    badModel.model = "iPod";
    badVersion.version = "9.0";
    newVersion.version = "12.0";
    const Case cases[] = {
        {screenOf("99999x99999"), "is not one of the iPhone screens of system 11.1.2: 320x568@2, 375x667@2, 414x736@3, 375x812@3"},
        {screenOf("10x10"), "the screen 10x10 is not one"},
        {screenOf("375.5x667"), "the screen 375.5x667 is not one"},
        {screenOf("375x667@3"), "the screen 375x667@3 is not one"},
        {screenOf("375x812", "10.3.3"),
         "of system 10.3.3: 320x568@2, 375x667@2, 414x736@3 (the 375x812 screen came with system 11.0)"},
        {screenOf("wide"), "is not like 375x667"},
        {badVersion, "\"9.0\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1"},
        {newVersion, "\"12.0\" is not one from 10.0"},
        {badModel, "\"iPod\" is not one of iPhone, iPad"},
        {badZone, "\"Europe/Pari\" is not one the date library knows"},
        {badLocale, "\"zz_ZZ\" is not one the date library knows"},
    };
    for (const Case& c : cases) {
        auto p = sim::chooseDevice(sim::Profile{}, c.choice);
        ASSERT_FALSE(p.ok()) << c.says;
        EXPECT_NE(p.reason().find(c.says), std::string::npos) << p.reason();
    }
    EXPECT_FALSE(sim::isSupportedVersion("10.3.5"));
    EXPECT_FALSE(sim::isSupportedVersion("11.4.2"));
    EXPECT_FALSE(sim::isSupportedVersion("11"));
    EXPECT_TRUE(sim::isSupportedVersion("11.2.5"));
}
