// What a device plants in its own folder for the tool to trip on: links in
// the place of its log, weather folder, control socket and the tool's old
// boot record, and a FIFO in the place of its settings. The tool refuses each
// with a clear line and writes nothing outside the device folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Command.h"

namespace {

namespace fs = std::filesystem;

class PlantedLinks : public ::testing::Test {
protected:
    void SetUp() override {
        host = fs::path(device.path()).parent_path() / "host-file";
        std::ofstream(host) << "the machine's own";
        fs::create_directories(fs::path(device.path()).parent_path() / "host-folder");
    }
    fs::path in(const std::string& relative) const { return fs::path(device.path()) / relative; }
    std::string hostFile() const { return readFile(host); }

    TestDevice device;
    fs::path host;
};

}  // namespace

TEST_F(PlantedLinks, ALinkInThePlaceOfTheLogIsNeitherReadNorWritten) {
    fs::remove(in("log/device.log"));
    fs::create_symlink(host, in("log/device.log"));
    Output log = sim({"log", device.path()});
    EXPECT_NE(log.exitCode, 0);
    EXPECT_NE(log.err.find("is a link"), std::string::npos) << log.err;
    EXPECT_EQ(log.out.find("the machine's own"), std::string::npos) << "the tool printed the file a link pointed to";
    Output boot = sim({"boot", device.path()});
    EXPECT_NE(boot.exitCode, 0) << "booted with its log through a link";
    EXPECT_NE(boot.err.find("is a link"), std::string::npos) << boot.err;
    EXPECT_EQ(hostFile(), "the machine's own");
}

TEST_F(PlantedLinks, ALinkInThePlaceOfTheWeatherFolderIsRefused) {
    fs::remove_all(in("var/mobile/Library/Weather"));
    fs::create_symlink(fs::path(device.path()).parent_path() / "host-folder", in("var/mobile/Library/Weather"));
    Output weather = sim({"weather", device.path(), "--temperature", "5°"});
    EXPECT_NE(weather.exitCode, 0);
    EXPECT_NE(weather.err.find("is a link"), std::string::npos) << weather.err;
    EXPECT_TRUE(fs::is_empty(fs::path(device.path()).parent_path() / "host-folder")) << "a file was made outside";
}

TEST_F(PlantedLinks, TheOldBootRecordsPlaceIsTheDevicesOwnAndNotTheTools) {
    // The device can write its run folder: the tool keeps its record elsewhere.
    fs::create_symlink(host, in("run/boot.state"));
    fs::create_symlink(host, in("run/boot.state.new"));
    markUpdateNoticeSeen(device.path());
    Output boot = sim({"boot", device.path()});
    ASSERT_EQ(boot.exitCode, 0) << boot.err;
    EXPECT_EQ(hostFile(), "the machine's own");
    Output status = sim({"status", device.path()});
    EXPECT_EQ(status.out.rfind("booted", 0), 0u) << status.out;
}

TEST_F(PlantedLinks, ALinkInThePlaceOfTheControlSocketReachesNoOtherSocket) {
    TestDevice other;
    markUpdateNoticeSeen(device.path());
    markUpdateNoticeSeen(other.path());
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    ASSERT_EQ(sim({"boot", other.path()}).exitCode, 0);
    // The device swaps its socket for a link to the other device's.
    fs::remove(in("run/springboard.sock"));
    fs::create_symlink(fs::path(other.path()) / "run/springboard.sock", in("run/springboard.sock"));
    Output media = sim({"media", device.path(), "play"});
    EXPECT_NE(media.exitCode, 0) << "a command went through a planted link";
    Output otherDump = sim({"dump", other.path()});
    ASSERT_EQ(otherDump.exitCode, 0) << otherDump.err;
    EXPECT_EQ(otherDump.out.find("SBDashBoardMediaArtworkView"), std::string::npos) << "the other device got the command";
}

TEST_F(PlantedLinks, AFifoInThePlaceOfTheSettingsHoldsNoReader) {
    fs::path settings = in("var/mobile/Library/Preferences/com.tovik.orvelle.plist");
    fs::remove(settings);
    ASSERT_EQ(mkfifo(settings.c_str(), 0644), 0);
    Output show = sim({"settings", device.path(), "show"});
    EXPECT_NE(show.exitCode, 0);
    EXPECT_NE(show.err.find("not a regular file"), std::string::npos) << show.err;
    Output set = sim({"settings", device.path(), "set", "enableOVS", "true", "--type", "bool"});
    EXPECT_NE(set.exitCode, 0);
}
