// The sandbox's command line: what is mounted where, and which caller folder
// is the same inside.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/BuildTree.h"
#include "wire/Failure.h"
#include "device/Sandbox.h"

namespace {

// True when `args` holds the words in a row.
bool holds(const std::vector<std::string>& args, std::vector<std::string> words) {
    return std::search(args.begin(), args.end(), words.begin(), words.end()) != args.end();
}

TEST(SandboxCommand, MountsTheDeviceTreesAndTheMachineReadOnly) {
    sim::Device device("/srv/devices/one");
    sim::LaunchSpec spec;
    spec.command = {"/bin/true"};
    auto args = sim::sandboxCommand(device, spec);
    EXPECT_EQ(args.front(), "bwrap");
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/var", "/var"}));
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/Library", "/Library"}));
    EXPECT_TRUE(holds(args, {"--ro-bind", "/usr", "/usr"}));
    EXPECT_TRUE(holds(args, {"--ro-bind", sim::buildFolder().string(), sim::buildFolder().string()}));
    EXPECT_TRUE(holds(args, {"--ro-bind", "/srv/devices/one/profile.plist", "/run/device/profile.plist"}));
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/run", "/run/device/run"}));
    EXPECT_TRUE(holds(args, {"--unshare-all", "--unshare-user"}));
    EXPECT_TRUE(holds(args, {"--die-with-parent"})) << "a fresh sandbox ends with the tool";
    EXPECT_TRUE(holds(args, {"--tmpfs", "/tmp"}));
    EXPECT_FALSE(holds(args, {"--as-pid-1"}));
    EXPECT_TRUE(holds(args, {"--", "/bin/true"}));
    EXPECT_EQ(args.back(), "/bin/true");
    // The tmpfs comes before the binds, so a build folder under /tmp stays visible.
    auto tmpfs = std::find(args.begin(), args.end(), "--tmpfs");
    auto build = std::find(args.begin(), args.end(), sim::buildFolder().string());
    EXPECT_LT(tmpfs, build);
}

TEST(SandboxCommand, ABootedDeviceHasItsSupervisorAsFirstProcess) {
    sim::LaunchSpec spec;
    spec.entry = sim::Entry::Boot;
    spec.command = {"/x/orvelle-supervisor"};
    spec.infoFd = 9;
    spec.environment = {{"TZ", "Europe/Paris"}};
    auto args = sim::sandboxCommand(sim::Device("/d"), spec);
    EXPECT_TRUE(holds(args, {"--unshare-all", "--unshare-user", "--as-pid-1"}));
    EXPECT_TRUE(holds(args, {"--info-fd", "3"})) << "the info descriptor is passed at a fixed number";
    EXPECT_TRUE(holds(args, {"--setenv", "TZ", "Europe/Paris"}));
    EXPECT_FALSE(holds(args, {"--die-with-parent"})) << "a booted device outlives the tool";
}

TEST(SandboxCommand, EverySandboxStandsBehindTheSameWalls) {
    sim::Device device("/srv/devices/one");
    for (sim::Entry entry : {sim::Entry::Boot, sim::Entry::Fresh}) {
        sim::LaunchSpec spec;
        spec.entry = entry;
        spec.command = {"/bin/true"};
        spec.hostName = "iPad";
        auto args = sim::sandboxCommand(device, spec);
        EXPECT_TRUE(holds(args, {"--uid", "501", "--gid", "501"})) << "the phone's user mobile";
        EXPECT_TRUE(holds(args, {"--hostname", "iPad", "--disable-userns"}));
        EXPECT_TRUE(holds(args, {"--new-session", "--seccomp", "4"}));
        EXPECT_TRUE(holds(args, {"--size", "536870912", "--tmpfs", "/tmp"})) << "a bounded /tmp";
        EXPECT_FALSE(holds(args, {"--share-net"}));
    }
    sim::LaunchSpec join;
    join.entry = sim::Entry::Join;
    join.command = {"/bin/true"};
    EXPECT_THROW(sim::sandboxCommand(device, join), sim::Failure) << "joining enters the device's own namespaces";
}

TEST(SandboxCommand, TheDevicesEnvironmentTakesItsProfileUnlessOverridden) {
    sim::Profile profile;
    profile.locale = "fr_FR";
    profile.timeZone = "Europe/Paris";
    auto env = sim::deviceEnvironment(profile);
    auto value = [&](const sim::Environment& e, const std::string& name) {
        for (const auto& [n, v] : e)
            if (n == name) return v;
        return std::string("<absent>");
    };
    EXPECT_EQ(value(env, "HOME"), "/var/mobile");
    EXPECT_EQ(value(env, "ORVELLE_LOCALE"), "fr_FR");
    EXPECT_EQ(value(env, "TZ"), "Europe/Paris");
    EXPECT_EQ(value(env, "ORVELLE_TIME"), "<absent>");
    auto overridden = sim::deviceEnvironment(profile, "de_DE", "Asia/Tokyo", "2026-12-08T21:05:00");
    EXPECT_EQ(value(overridden, "ORVELLE_LOCALE"), "de_DE");
    EXPECT_EQ(value(overridden, "ORVELLE_TZ"), "Asia/Tokyo");
    EXPECT_EQ(value(overridden, "TZ"), "Asia/Tokyo");
    EXPECT_EQ(value(overridden, "ORVELLE_TIME"), "2026-12-08T21:05:00");
}

TEST(SandboxCommand, CallerFoldersMapToWhereTheSandboxShowsThem) {
    sim::Device device("/srv/devices/one");
    EXPECT_EQ(sim::visibleInside(device, "/srv/devices/one/var/mobile"), "/var/mobile");
    EXPECT_EQ(sim::visibleInside(device, "/srv/devices/one/Library/PreferenceBundles"), "/Library/PreferenceBundles");
    EXPECT_EQ(sim::visibleInside(device, (sim::buildFolder() / "tests").string()),
              (sim::buildFolder() / "tests").string());
    EXPECT_EQ(sim::visibleInside(device, "/usr/share"), "/usr/share");
    EXPECT_EQ(sim::visibleInside(device, "/srv/devices/one"), "");
    EXPECT_EQ(sim::visibleInside(device, "/srv/devices/one/variant"), "") << "a name that only begins like var";
    EXPECT_EQ(sim::visibleInside(device, "/home/someone"), "");
}

}  // namespace
