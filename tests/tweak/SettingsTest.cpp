// The settings reads, at the real paths of a fresh device.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Settings.h"
#include "Tweak/UpdateNotice.h"
#include "foundation/PropertyList.h"

using namespace orvelle;

namespace {

void writeSettings(std::initializer_list<std::pair<const char*, id>> entries) {
    auto d = rt::cast<NSDictionary>(NSDictionaryNew());
    for (const auto& [k, v] : entries) d->setObject(v, k);
    std::filesystem::create_directories(kPreferencesFolder);
    ASSERT_TRUE(ns::writeToFile(d, kSettingsFile));
}

void writeRaw(const std::string& bytes) {
    std::filesystem::create_directories(kPreferencesFolder);
    std::ofstream(kSettingsFile, std::ios::binary | std::ios::trunc) << bytes;
}

int integerRead(const char* key, std::string* printed) {
    testing::internal::CaptureStdout();
    int value = ggg(key, kIntegerRead);
    *printed = testing::internal::GetCapturedStdout();
    return value;
}

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(kSettingsFile); }
};

}  // namespace

TEST_F(SettingsTest, NoFileReadsOffZeroAndPrintsTheZero) {
    EXPECT_EQ(eee(), -1.0);
    EXPECT_EQ(ggg("hideWea", kBooleanRead), kOff);
    std::string printed;
    EXPECT_EQ(integerRead("clockStyle", &printed), 0);
    EXPECT_EQ(printed, "0\n");
}

TEST_F(SettingsTest, IntegerReadConvertsAsTheDeviceDoes) {
    struct Case {
        id stored;
        int expected;
    } cases[] = {
        {NSNum(2), 2},          {NSStr("2"), 2},        {NSNum(2.7), 2},    {NSStr("2.7"), 2},
        {NSStr(" +0012"), 12},  {NSNum(-2), -2},        {NSNum(3), 3},      {NSStr("abc"), 0},
        {NSNum(1e20), INT32_MAX}, {NSNum(true), 1},
    };
    for (const auto& c : cases) {
        writeSettings({{"clockStyle", c.stored}});
        std::string printed;
        EXPECT_EQ(integerRead("clockStyle", &printed), c.expected) << describe(c.stored);
        EXPECT_EQ(printed, std::to_string(c.expected) + "\n");
    }
}

TEST_F(SettingsTest, AnIntegerEntryBeyond32BitsKeepsItsLowBits) {
    writeRaw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
             "<key>clockStyle</key><integer>4294967298</integer>"
             "<key>timeFormat</key><integer>-4294967294</integer></dict></plist>\n");
    std::string printed;
    EXPECT_EQ(integerRead("clockStyle", &printed), 2);
    EXPECT_EQ(printed, "2\n");
    EXPECT_EQ(integerRead("timeFormat", &printed), 2);
}

TEST_F(SettingsTest, BooleanReadConvertsAsTheDeviceDoes) {
    struct Case {
        id stored;
        bool on;
    } cases[] = {
        {NSNum(true), true},    {NSNum(false), false}, {NSNum(2.7), true},   {NSNum(0.0), false},
        {NSStr("YES"), true},   {NSStr("yes"), true},  {NSStr("true"), true}, {NSStr("1"), true},
        {NSStr(" +0012"), true}, {NSStr("no"), false}, {NSStr("NO"), false},  {NSStr("0"), false},
        {NSStr(""), false},     {NSStr("+t"), false},  {NSStr("-01"), true},
    };
    for (const auto& c : cases) {
        writeSettings({{"hideWea", c.stored}});
        EXPECT_EQ(ggg("hideWea", kBooleanRead), c.on ? kOn : kOff) << describe(c.stored);
        testing::internal::CaptureStdout();
        ggg("hideWea", kBooleanRead);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "a Boolean read prints nothing";
    }
}

TEST_F(SettingsTest, MasterSwitch) {
    writeSettings({{"enableOVS", NSNum(true)}});
    EXPECT_EQ(eee(), 999.0);
    writeSettings({{"enableOVS", NSStr("NO")}});
    EXPECT_EQ(eee(), -1.0);
}

TEST_F(SettingsTest, BadFilesReadAsEmptyAndNeverCrash) {
    const std::string inputs[] = {
        "",
        "garbage \x01\x02\xff",
        "<?xml version=\"1.0\"?><plist><dict><key>enableOVS</key><true/>",  // cut short
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>",
        "bplist00\x01\x02",
    };
    for (const auto& bytes : inputs) {
        writeRaw(bytes);
        EXPECT_EQ(eee(), -1.0);
        EXPECT_TRUE(rt::cast<NSDictionary>(readSettings())->entries.empty());
    }
    std::filesystem::remove(kSettingsFile);
    std::filesystem::create_directory(kSettingsFile);
    EXPECT_EQ(eee(), -1.0);
    std::filesystem::remove(kSettingsFile);

    // Binary files are read like XML ones.
    auto d = rt::cast<NSDictionary>(NSDictionaryNew());
    d->setObject(NSNum(true), "enableOVS");
    writeRaw(ns::binaryData(d));
    EXPECT_EQ(eee(), 999.0);

    // Values of unexpected kinds read as off or 0.
    auto odd = rt::cast<NSDictionary>(NSDictionaryNew());
    odd->setObject(NSDictionaryNew(), "enableOVS");
    odd->setObject(std::make_shared<NSArray>(), "clockStyle");
    ASSERT_TRUE(ns::writeToFile(odd, kSettingsFile));
    EXPECT_EQ(eee(), -1.0);
    std::string printed;
    EXPECT_EQ(integerRead("clockStyle", &printed), 0);
}

TEST_F(SettingsTest, StringEntriesAreStringsOnly) {
    writeSettings({{"setCusText", NSStr("Hello")}, {"subTitle", NSNum(5)}});
    id settings = readSettings();
    EXPECT_EQ(str(stringEntry(settings, "setCusText")), "Hello");
    EXPECT_EQ(stringEntry(settings, "subTitle"), nullptr);
    EXPECT_EQ(stringEntry(settings, "dayFormat"), nullptr);
}

TEST(OlderMarkers, ExpandWithinTheFolderOrKeepThePattern) {
    std::string folder = testing::TempDir() + "/markers";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/sub");
    EXPECT_EQ(olderMarkers(folder), std::vector<std::string>{folder + "/com.tovik.orvellehasbeenupdated*"});
    std::ofstream(folder + "/com.tovik.orvellehasbeenupdated130.plist");
    std::ofstream(folder + "/com.tovik.orvellehasbeenupdated120.plist");
    std::ofstream(folder + "/com.tovik.orvelle.plist");
    std::ofstream(folder + "/sub/com.tovik.orvellehasbeenupdated100.plist");
    EXPECT_EQ(olderMarkers(folder), (std::vector<std::string>{folder + "/com.tovik.orvellehasbeenupdated120.plist",
                                                              folder + "/com.tovik.orvellehasbeenupdated130.plist"}));
    EXPECT_EQ(olderMarkers(folder + "/missing"),
              std::vector<std::string>{folder + "/missing/com.tovik.orvellehasbeenupdated*"});
}
