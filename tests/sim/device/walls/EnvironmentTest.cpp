// Nothing of the user's environment crosses into a device: a variable set for
// `boot` reaches none of the device's programs, one set for `exec` not the
// command, on a booted device and on a stopped one, unless `--env` names it.
#include <gtest/gtest.h>

#include <string>

#include "Command.h"

namespace {

// orvelle-sim with extra variables in its environment.
Output simWith(const std::vector<std::string>& variables, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/env"};
    argv.insert(argv.end(), variables.begin(), variables.end());
    argv.push_back(ORVELLE_SIM);
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

// Every process of the device, its name and its environment, one variable a line.
const char* const kEveryEnvironment =
    "for p in /proc/[0-9]*; do echo \"process $(cat $p/comm)\"; tr '\\0' '\\n' < $p/environ; done 2>/dev/null; true";

TEST(Environment, NoVariableOfTheUsersShellReachesABootedDeviceOrACommandInIt) {
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    Output booted = simWith({"ORVELLE_USER_TOKEN_AT_BOOT=boot-secret"}, {"boot", device.path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    Output inside = simWith({"ORVELLE_USER_TOKEN_AT_EXEC=exec-secret", "ORVELLE_NAMED=named-value"},
                            {"exec", device.path(), "--env", "ORVELLE_NAMED", "--env", "ORVELLE_NOT_SET", "--",
                             "/bin/sh", "-c", kEveryEnvironment});
    ASSERT_EQ(inside.exitCode, 0) << inside.err;
    EXPECT_EQ(inside.out.find("boot-secret"), std::string::npos) << inside.out;
    EXPECT_EQ(inside.out.find("exec-secret"), std::string::npos) << inside.out;
    EXPECT_EQ(inside.out.find("ORVELLE_NOT_SET"), std::string::npos) << inside.out;
    // The processes were read: the device's own environment is there, and the named variable.
    EXPECT_NE(inside.out.find("HOME=/var/mobile"), std::string::npos) << inside.out;
    EXPECT_NE(inside.out.find("ORVELLE_LOCALE="), std::string::npos) << inside.out;
    EXPECT_NE(inside.out.find("ORVELLE_NAMED=named-value"), std::string::npos) << inside.out;
    // The device's own programs were among those read.
    for (const char* program : {"process SpringBoard\n", "process backboardd\n", "process orvelle-supervi\n"})
        EXPECT_NE(inside.out.find(program), std::string::npos) << program << " was not read:\n" << inside.out;
}

TEST(Environment, NoVariableOfTheUsersShellReachesACommandOnAStoppedDevice) {
    TestDevice device;
    Output inside = simWith({"ORVELLE_USER_TOKEN_AT_EXEC=exec-secret", "PATH=/usr/bin:/bin:/orvelle-user-path"},
                            {"exec", device.path(), "--", "/usr/bin/env"});
    ASSERT_EQ(inside.exitCode, 0) << inside.err;
    EXPECT_EQ(inside.out.find("exec-secret"), std::string::npos) << inside.out;
    EXPECT_EQ(inside.out.find("orvelle-user-path"), std::string::npos) << inside.out;
    EXPECT_NE(inside.out.find("HOME=/var/mobile\n"), std::string::npos) << inside.out;
    EXPECT_NE(inside.out.find("TZ="), std::string::npos) << inside.out;
    Output bad = sim({"exec", device.path(), "--env", "A=B", "--", "/bin/true"});
    EXPECT_EQ(bad.exitCode, 2) << "--env takes a name";
}

}  // namespace
