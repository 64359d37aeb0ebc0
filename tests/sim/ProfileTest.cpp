// The device profile: screens and versions as the tool accepts them, and the
// file read back as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/Failure.h"
#include "device/Profile.h"

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

}  // namespace
