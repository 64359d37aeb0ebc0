// What a command sees inside a device, and the tool's verbs on a stopped device.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Command.h"

namespace {

namespace fs = std::filesystem;

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(Sandbox, ACommandSeesTheDeviceTreesAndPassesItsExitCodeOn) {
    TestDevice device;
    Output inside = sim({"exec", device.path(), "--", "/bin/sh", "-c",
                         "test -f /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib && "
                         "test -f /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.plist && "
                         "touch /var/mobile/Library/Preferences/from-inside && exit 42"});
    EXPECT_EQ(inside.exitCode, 42) << inside.err;
    EXPECT_TRUE(fs::exists(fs::path(device.path()) / "var/mobile/Library/Preferences/from-inside"));
}

TEST(Sandbox, TheMachineStaysOutOfReach) {
    TestDevice device;
    EXPECT_NE(sim({"exec", device.path(), "--", "/usr/bin/touch", "/usr/orvelle-test"}).exitCode, 0);
    EXPECT_FALSE(fs::exists("/usr/orvelle-test"));
    // The machine's own /var is not the device's.
    Output listed = sim({"exec", device.path(), "--", "/bin/ls", "/var"});
    EXPECT_EQ(listed.out, "mobile\n");
    EXPECT_EQ(sim({"exec", device.path(), "--", "/bin/sh", "-c", "test $$ -lt 10"}).exitCode, 0)
        << "a PID namespace of its own";
}

TEST(Sandbox, AFreshDeviceIsRemovedAfterTheCommand) {
    fs::path scratch = fs::temp_directory_path() / ("fresh-test-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    Output fresh = run({"/usr/bin/env", "TMPDIR=" + scratch.string(), ORVELLE_SIM, "exec", "--fresh", "--version",
                        "10.3.3", "--", "/bin/sh", "-c",
                        "grep -A1 systemVersion /run/device/profile.plist | grep -q 10.3.3 && "
                        "test -f /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib && exit 3"});
    EXPECT_EQ(fresh.exitCode, 3) << fresh.err;
    EXPECT_TRUE(fs::is_empty(scratch));
    fs::remove_all(scratch);
}

TEST(Cli, EveryVerbAnswersHelpAndFailuresAreOneLine) {
    for (const char* verb : {"create", "install", "boot", "shutdown", "status", "exec", "settings", "log", "respring"}) {
        Output help = sim({verb, "--help"});
        EXPECT_EQ(help.exitCode, 0) << verb;
        EXPECT_EQ(help.out.rfind(std::string("orvelle-sim ") + verb, 0), 0u) << help.out;
        // No device there, and none can be made there.
        Output missing = sim({verb, "/proc/orvelle-device"});
        EXPECT_NE(missing.exitCode, 0) << verb;
        EXPECT_EQ(lineCount(missing.err), 1) << verb << ": " << missing.err;
    }
    Output unknown = sim({"reboot"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(lineCount(unknown.err), 1);
}

TEST(Cli, CreateRefusesToOverwriteAndChecksItsOptions) {
    TestDevice device;
    Output again = sim({"create", device.path()});
    EXPECT_NE(again.exitCode, 0);
    EXPECT_NE(again.err.find("already a device"), std::string::npos) << again.err;
    fs::path other = fs::path(device.path()).parent_path() / "other";
    for (auto bad : std::vector<std::vector<std::string>>{{"--version", "eleven"}, {"--screen", "375"},
                                                         {"--screen", "0x667"}, {"--model", ""}}) {
        std::vector<std::string> args{"create", other.string()};
        args.insert(args.end(), bad.begin(), bad.end());
        Output refused = sim(args);
        EXPECT_EQ(refused.exitCode, 2) << bad[0];
        EXPECT_EQ(lineCount(refused.err), 1) << refused.err;
        EXPECT_FALSE(fs::exists(other)) << "nothing made for " << bad[0];
    }
}

TEST(Settings, ValuesKeepTheirTypes) {
    TestDevice device;
    const std::string& d = device.path();
    ASSERT_EQ(sim({"settings", d, "set", "enableOVS", "YES", "--type", "bool"}).exitCode, 0);
    ASSERT_EQ(sim({"settings", d, "set", "clockStyle", "2", "--type", "int"}).exitCode, 0);
    ASSERT_EQ(sim({"settings", d, "set", "clockX", "12.5", "--type", "real"}).exitCode, 0);
    ASSERT_EQ(sim({"settings", d, "set", "setCusText", "Hello there"}).exitCode, 0);
    EXPECT_EQ(sim({"settings", d, "show"}).out,
              "clockStyle = 2\nclockX = 12.5\nenableOVS = true\nsetCusText = Hello there\n");
    std::string file = readFile(fs::path(d) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist");
    EXPECT_NE(file.find("<key>clockStyle</key>\n\t<integer>2</integer>"), std::string::npos) << file;
    EXPECT_NE(file.find("<key>clockX</key>\n\t<real>12.5</real>"), std::string::npos) << file;
    EXPECT_NE(file.find("<key>enableOVS</key>\n\t<true/>"), std::string::npos) << file;

    EXPECT_EQ(sim({"settings", d, "get", "clockX"}).out, "12.5\n");
    ASSERT_EQ(sim({"settings", d, "delete", "clockX"}).exitCode, 0);
    Output gone = sim({"settings", d, "get", "clockX"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(lineCount(gone.err), 1);
}

TEST(Settings, BadValuesAreRefusedAndChangeNothing) {
    TestDevice device;
    const std::string& d = device.path();
    ASSERT_EQ(sim({"settings", d, "set", "clockStyle", "1", "--type", "int"}).exitCode, 0);
    std::string before = readFile(fs::path(d) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist");
    for (auto bad : std::vector<std::vector<std::string>>{{"clockStyle", "2.7", "--type", "int"},
                                                         {"clockStyle", "99999999999999999999", "--type", "int"},
                                                         {"clockX", "1,5", "--type", "real"},
                                                         {"clockX", "nan", "--type", "real"},
                                                         {"enableOVS", "maybe", "--type", "bool"},
                                                         {"enableOVS", "true", "--type", "boolean"}}) {
        std::vector<std::string> args{"settings", d, "set"};
        args.insert(args.end(), bad.begin(), bad.end());
        Output refused = sim(args);
        EXPECT_EQ(refused.exitCode, 2) << bad[1];
        EXPECT_EQ(lineCount(refused.err), 1) << refused.err;
    }
    EXPECT_EQ(readFile(fs::path(d) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist"), before);
}

TEST(Settings, AnUnreadableSettingsFileIsLeftAsItIs) {
    TestDevice device;
    fs::path file = fs::path(device.path()) / "var/mobile/Library/Preferences/com.tovik.orvelle.plist";
    std::ofstream(file) << "<plist><dict><key>enableOVS</key><true/>";  // cut short
    std::string before = readFile(file);
    Output refused = sim({"settings", device.path(), "set", "hideWea", "true", "--type", "bool"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("leaving it as it is"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(file), before);
}

}  // namespace
