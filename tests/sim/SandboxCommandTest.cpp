// The sandbox's command line: what is mounted where, and which caller folder
// is the same inside.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/BuildTree.h"
#include "device/Sandbox.h"

namespace {

// True when `args` holds the words in a row.
bool holds(const std::vector<std::string>& args, std::vector<std::string> words) {
    return std::search(args.begin(), args.end(), words.begin(), words.end()) != args.end();
}

TEST(SandboxCommand, MountsTheDeviceTreesAndTheMachineReadOnly) {
    sim::Device device("/srv/devices/one");
    auto args = sim::sandboxCommand(device, {}, {"/bin/true"});
    EXPECT_EQ(args.front(), "bwrap");
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/var", "/var"}));
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/Library", "/Library"}));
    EXPECT_TRUE(holds(args, {"--ro-bind", "/usr", "/usr"}));
    EXPECT_TRUE(holds(args, {"--ro-bind", sim::buildFolder().string(), sim::buildFolder().string()}));
    EXPECT_TRUE(holds(args, {"--ro-bind", "/srv/devices/one/profile.plist", "/run/device/profile.plist"}));
    EXPECT_TRUE(holds(args, {"--bind", "/srv/devices/one/run", "/run/device/run"}));
    EXPECT_TRUE(holds(args, {"--unshare-pid"}));
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
    sim::SandboxOptions options;
    options.commandIsInit = true;
    options.infoFd = 3;
    options.environment = {{"TZ", "Europe/Paris"}};
    auto args = sim::sandboxCommand(sim::Device("/d"), options, {"/x/orvelle-supervisor"});
    EXPECT_TRUE(holds(args, {"--as-pid-1"}));
    EXPECT_TRUE(holds(args, {"--info-fd", "3"}));
    EXPECT_TRUE(holds(args, {"--setenv", "TZ", "Europe/Paris"}));
    EXPECT_FALSE(holds(args, {"--die-with-parent"}));
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
