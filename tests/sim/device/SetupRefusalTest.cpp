// What could not run is refused by every verb that sets a device up, each
// refusal one line naming what is accepted, and nothing is left behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "Command.h"

namespace {

namespace fs = std::filesystem;

struct Refused {
    std::vector<std::string> words;  // after the verb and the device
    const char* says;
};

void expectRefused(const std::string& verb, const std::string& device, const Refused& r,
                   const std::vector<std::string>& after = {}) {
    std::vector<std::string> args{verb, device};
    args.insert(args.end(), after.begin(), after.end());
    args.insert(args.end(), r.words.begin(), r.words.end());
    Output out = sim(args);
    EXPECT_NE(out.exitCode, 0) << verb << " " << r.words.back();
    EXPECT_NE(out.err.find(r.says), std::string::npos) << verb << " " << r.words.back() << ": " << out.err;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
}

TEST(SetupRefusals, CreateRefusesScreensAndVersionsTheTableLacks) {
    fs::path scratch = fs::temp_directory_path() / ("orvelle-refusals-" + std::to_string(getpid()));
    fs::path device = scratch / "device";
    const Refused cases[] = {
        {{"--screen", "99999x99999"}, "is not one of the iPhone screens of system 11.1.2: 320x568@2, 375x667@2, 414x736@3, 375x812@3"},
        {{"--screen", "10x10"}, "the screen 10x10 is not one"},
        {{"--screen", "375.5x667"}, "the screen 375.5x667 is not one"},
        {{"--version", "10.3.3", "--screen", "375x812"}, "of system 10.3.3: 320x568@2, 375x667@2, 414x736@3"},
        {{"--screen", "768x1024"}, "is not one of the iPhone screens"},
        {{"--version", "9.0"}, "\"9.0\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1"},
        {{"--version", "12.0"}, "\"12.0\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1"},
        {{"--model", "iPod"}, "\"iPod\" is not one of iPhone, iPad"},
    };
    for (const Refused& r : cases) {
        expectRefused("create", device.string(), r);
        EXPECT_FALSE(fs::exists(device)) << "a refused create made " << device;
    }
    fs::remove_all(scratch);
}

// A device in a folder closed to others (as mktemp -d makes them) would be
// refused at boot, when the tool runs as root: create says so first, and how.
TEST(SetupRefusals, CreateRefusesAFolderTheDeviceUserCannotReachAndSaysHow) {
    if (geteuid() != 0) GTEST_SKIP() << "the tool and the device are one user";
    char pattern[] = "/tmp/orvelle-closed-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::path closed = pattern;
    fs::permissions(closed, fs::perms::owner_all, fs::perm_options::replace);
    fs::path device = closed / "inner" / "device";
    fs::create_directories(closed / "inner");
    Output refused = sim({"create", device.string()});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(refused.err, "orvelle-sim create: the device user orvelle cannot reach " + device.string() + ": " +
                               closed.string() + " (mode 0700) is closed to others; let them pass through it (chmod o+x " +
                               closed.string() + ") or keep the device elsewhere\n");
    EXPECT_FALSE(fs::exists(device)) << "a refused create made " << device;

    fs::permissions(closed, fs::perms::others_exec, fs::perm_options::add);
    Output made = sim({"create", device.string()});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    fs::remove_all(closed);
}

TEST(SetupRefusals, BootDumpAndScreenshotRefuseUnknownZonesAndLocales) {
    TestDevice device;
    const Refused zones[] = {
        {{"--tz", "Europe/Pari"}, "the time zone \"Europe/Pari\" is not one the date library knows"},
        {{"--tz", "Mars/Olympus"}, "the time zone \"Mars/Olympus\" is not one the date library knows"},
        {{"--locale", "zz_ZZ"}, "the locale \"zz_ZZ\" is not one the date library knows"},
    };
    const std::string picture = (fs::path(device.path()).parent_path() / "shot.png").string();
    for (const Refused& r : zones) {
        expectRefused("boot", device.path(), r);
        expectRefused("dump", device.path(), r);
        expectRefused("screenshot", device.path(), r, {picture});
    }
    EXPECT_FALSE(fs::exists(picture));
    EXPECT_EQ(sim({"status", device.path()}).out, "shut down\n") << "a refused boot left the device running";
}

}  // namespace
