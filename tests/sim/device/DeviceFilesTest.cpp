// The tool's way into a device folder: whatever the device planted there,
// the tool reads and writes only the device's own regular files.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device/DeviceFiles.h"

namespace fs = std::filesystem;

namespace {

class DeviceFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "device-files-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        outside = pattern;
        folder = outside / "device";
        fs::create_directories(folder / "var/mobile/Library/Preferences");
        { std::ofstream(outside / "host-secret") << "secret"; }
    }
    void TearDown() override { fs::remove_all(outside); }
    static std::string contents(const fs::path& f) {
        std::ifstream in(f);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path outside, folder;
};

}  // namespace

TEST_F(DeviceFilesTest, ReadsAndReplacesTheDevicesOwnFiles) {
    sim::DeviceFiles files{sim::Device(folder)};
    ASSERT_TRUE(files.replace("var/mobile/Library/Weather/current.plist", "<plist/>").ok());
    EXPECT_EQ(contents(folder / "var/mobile/Library/Weather/current.plist"), "<plist/>");
    auto back = files.read(folder / "var/mobile/Library/Weather/current.plist");
    ASSERT_TRUE(back.ok()) << back.reason();
    EXPECT_EQ(*back, "<plist/>");
    EXPECT_TRUE(files.isFile("var/mobile/Library/Weather/current.plist"));
    ASSERT_TRUE(files.remove("var/mobile/Library/Weather/current.plist").ok());
    EXPECT_FALSE(files.isFile("var/mobile/Library/Weather/current.plist"));
}

TEST_F(DeviceFilesTest, ALinkPlantedAnywhereOnThePathIsRefusedAndNothingOutsideChanges) {
    sim::DeviceFiles files{sim::Device(folder)};
    // A link in the place of the file, of a folder on the way, and of the run folder.
    fs::create_symlink(outside / "host-secret", folder / "var/mobile/Library/Preferences/com.tovik.orvelle.plist");
    fs::create_directories(outside / "elsewhere");
    fs::create_symlink(outside / "elsewhere", folder / "var/mobile/Library/Weather");
    fs::create_symlink(outside, folder / "run");

    auto read = files.read("var/mobile/Library/Preferences/com.tovik.orvelle.plist");
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.reason().find("is a link"), std::string::npos) << read.reason();
    EXPECT_FALSE(files.isFile("var/mobile/Library/Preferences/com.tovik.orvelle.plist"));

    auto weather = files.replace("var/mobile/Library/Weather/current.plist", "x");
    ASSERT_FALSE(weather.ok());
    EXPECT_NE(weather.reason().find("is a link"), std::string::npos) << weather.reason();
    EXPECT_TRUE(fs::is_empty(outside / "elsewhere")) << "a file was made outside the device";

    EXPECT_FALSE(files.replace("run/boot.state", "x").ok());
    EXPECT_FALSE(files.remove("run/host-secret").ok());
    EXPECT_EQ(contents(outside / "host-secret"), "secret");
    EXPECT_FALSE(files.replace("../host-secret", "x").ok());
    EXPECT_FALSE(files.read(folder / ".." / "host-secret").ok());
    EXPECT_EQ(contents(outside / "host-secret"), "secret");
}

TEST_F(DeviceFilesTest, OnlyRegularFilesOfABoundedSizeAreRead) {
    sim::DeviceFiles files{sim::Device(folder)};
    // A FIFO where a file is read must not hold the tool.
    ASSERT_EQ(mkfifo((folder / "var/mobile/fifo").c_str(), 0600), 0);
    auto fifo = files.read("var/mobile/fifo");
    ASSERT_FALSE(fifo.ok());
    EXPECT_NE(fifo.reason().find("a FIFO"), std::string::npos) << fifo.reason();
    EXPECT_FALSE(files.read("var/mobile").ok()) << "a folder read as a file";

    { std::ofstream(folder / "var/mobile/big") << std::string(5000, 'x'); }
    auto big = files.read("var/mobile/big", 4096);
    ASSERT_FALSE(big.ok());
    EXPECT_NE(big.reason().find("more than the 4096"), std::string::npos) << big.reason();
    auto tail = files.readTail("var/mobile/big", 10);
    ASSERT_TRUE(tail.ok());
    EXPECT_EQ(*tail, std::string(10, 'x'));
}

TEST_F(DeviceFilesTest, ASocketIsOpenedOnlyWhereASocketIs) {
    sim::DeviceFiles files{sim::Device(folder)};
    fs::create_directories(folder / "run");
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::string path = (folder / "run/springboard.sock").string();
    ASSERT_LT(path.size(), sizeof a.sun_path);
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_TRUE(files.openSocket("run/springboard.sock").ok());
    close(s);
    fs::remove(folder / "run/springboard.sock");
    // A link to another socket of the machine is refused.
    fs::create_symlink("/run/dbus/system_bus_socket", folder / "run/springboard.sock");
    auto linked = files.openSocket("run/springboard.sock");
    ASSERT_FALSE(linked.ok());
    EXPECT_NE(linked.reason().find("is a link"), std::string::npos) << linked.reason();
    { std::ofstream(folder / "run/plain") << "x"; }
    EXPECT_FALSE(files.openSocket("run/plain").ok());
}
