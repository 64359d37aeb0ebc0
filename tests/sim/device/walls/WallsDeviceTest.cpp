// The walls of a device, tried from inside every kind of sandboxed run: a
// command on a stopped device, a command joining a booted one, the booted
// home screen itself and a one-shot run. Each run finds the phone's user, no
// capabilities, namespaces of its own, and every host power refused.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Command.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using Report = std::map<std::string, std::string>;

Report parse(const std::string& text) {
    Report r;
    auto at = text.find("WALLS ");
    if (at == std::string::npos) return r;
    std::istringstream words(text.substr(at + 6, text.find('\n', at) - at - 6));
    std::string word;
    while (words >> word) {
        auto eq = word.find('=');
        if (eq != std::string::npos) r[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return r;
}

std::string hostNamespace(const char* kind) {
    return fs::read_symlink(std::string("/proc/self/ns/") + kind).string();
}

// A server of the machine's on its loopback: a device must not reach it.
class HostServer {
public:
    HostServer() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), len), 0);
        EXPECT_EQ(listen(fd_, 4), 0);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~HostServer() { close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

void expectWalled(const Report& r, const std::string& run) {
    SCOPED_TRACE(run);
    ASSERT_FALSE(r.empty()) << "the probe did not report";
    EXPECT_EQ(r.at("uid"), "501");
    EXPECT_EQ(r.at("euid"), "501");
    EXPECT_EQ(r.at("uidmap").substr(0, 4), "501:") << r.at("uidmap");
    EXPECT_EQ(r.at("capeff"), "0000000000000000");
    EXPECT_EQ(r.at("capbnd"), "0000000000000000");
    EXPECT_EQ(r.at("nonewprivs"), "1");
    EXPECT_EQ(r.at("seccomp"), "2");
    for (const char* kind : {"user", "pid", "net", "ipc", "uts", "mnt"})
        EXPECT_NE(r.at(std::string("ns-") + kind), hostNamespace(kind)) << kind << " namespace shared with the host";
    EXPECT_EQ(r.at("hostname"), "iPhone");
    for (const char* attack : {"remount", "mount", "mknod", "handle", "openbyhandle", "tiocsti", "iouringsetup",
                               "iouringenter", "iouringregister", "userfaultfd", "netlinkaudit"})
        EXPECT_EQ(r.at(attack), "EPERM") << attack;
    EXPECT_EQ(r.at("loopback"), "ECONNREFUSED") << "the device reached the machine's loopback";
}

// The user of the machine a probe was: the owner of the file it made.
void expectNotHostRoot(const fs::path& ownerFile) {
    struct stat st {};
    ASSERT_EQ(stat(ownerFile.c_str(), &st), 0) << ownerFile << " was not made";
    EXPECT_NE(st.st_uid, 0u) << "a program of the device is root on the machine";
    if (geteuid() == 0) {
        const passwd* device = getpwnam("orvelle");
        ASSERT_TRUE(device);
        EXPECT_EQ(st.st_uid, device->pw_uid);
    } else {
        EXPECT_EQ(st.st_uid, geteuid());
    }
}

class Walls : public ::testing::Test {
protected:
    void SetUp() override {
        device = std::make_unique<TestDevice>();
        std::ofstream(fs::path(device->path()) / "var/mobile/wall-probe-port") << server.port();
    }
    void installTweak() {
        fs::copy_file(WALL_PROBE_TWEAK,
                      fs::path(device->path()) / "Library/MobileSubstrate/DynamicLibraries/WallProbe.dylib");
    }
    std::string probe() { return std::to_string(server.port()); }

    HostServer server;
    std::unique_ptr<TestDevice> device;
};

}  // namespace

TEST_F(Walls, ACommandOnAStoppedDevice) {
    Output out = sim({"exec", device->path(), "--", WALL_PROBE, probe(), "/var/mobile/wall-probe-exec"});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    expectWalled(parse(out.out), "exec on a stopped device");
    expectNotHostRoot(fs::path(device->path()) / "var/mobile/wall-probe-exec");
}

TEST_F(Walls, TheBootedHomeScreenAndACommandJoiningIt) {
    installTweak();
    markUpdateNoticeSeen(device->path());
    Output booted = sim({"boot", device->path()});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    fs::path log = fs::path(device->path()) / "log/device.log";
    ASSERT_TRUE(eventually(10s, [&] { return readFile(log).find("WALLS ") != std::string::npos; })) << readFile(log);
    expectWalled(parse(readFile(log)), "SpringBoard of a booted device");
    expectNotHostRoot(fs::path(device->path()) / "var/mobile/wall-probe-springboard");

    Output joined = sim({"exec", device->path(), "--", WALL_PROBE, probe(), "/var/mobile/wall-probe-joined"});
    ASSERT_EQ(joined.exitCode, 0) << joined.err;
    Report r = parse(joined.out);
    expectWalled(r, "exec on a booted device");
    expectNotHostRoot(fs::path(device->path()) / "var/mobile/wall-probe-joined");
    // Joined, it is among the device's processes, not in a sandbox apart.
    EXPECT_EQ(r.at("ns-pid"), parse(readFile(log)).at("ns-pid"));
    EXPECT_EQ(r.at("ns-user"), parse(readFile(log)).at("ns-user"));
}

TEST_F(Walls, AOneShotRun) {
    installTweak();
    markUpdateNoticeSeen(device->path());
    fs::path log = fs::path(device->path()).parent_path() / "one-shot.log";
    Output dump = sim({"dump", device->path(), "--log", log.string()});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    expectWalled(parse(readFile(log)), "a one-shot dump");
}
