// The device's package manager on real devices: an upgrade from an older
// release and a removal on a booted device, every refused package leaving the
// device exactly as it was, relations between packages, a watched package
// file, and the platform every program of a device loads from one place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "Command.h"
#include "FolderSnapshot.h"
#include "PackageWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Kind = PackageMember::Kind;

const std::string kTweak = "Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib";
const std::string kOldNotes = "Library/Application Support/OVS/Changes-1.3.0.txt";
const std::string kPane = "Library/PreferenceBundles/ORVELLEPB.bundle";

std::string packages(const TestDevice& device) {
    Output listed = sim({"packages", device.path()});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    return listed.out;
}

TEST(Packages, UpgradeReplacesTheOldFilesAndRemoveTakesExactlyItsOwnOnABootedDevice) {
    TestDevice device;
    fs::path root(device.path());
    Output removed = sim({"remove", device.path(), "com.tovik.orvelle"});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "com.tovik.orvelle 1.4.0 removed\n") << "a stopped device has nothing to respring";
    EXPECT_FALSE(fs::exists(root / kTweak));
    EXPECT_FALSE(fs::exists(root / kPane)) << "the pane's folder went with its files";
    EXPECT_TRUE(fs::is_directory(root / "Library/PreferenceBundles")) << "the device's own folders stay";
    EXPECT_EQ(packages(device), "");

    Output older = sim({"install", device.path(), OLDER_PACKAGE_FILE});
    ASSERT_EQ(older.exitCode, 0) << older.err;
    EXPECT_EQ(older.out, "com.tovik.orvelle 1.3.0 installed\n");
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    EXPECT_EQ(logLines(device.path(), "OVS 1.3.0: loaded").size(), 1u);

    Output upgraded = sim({"install", device.path()});
    ASSERT_EQ(upgraded.exitCode, 0) << upgraded.err;
    EXPECT_EQ(upgraded.out, "com.tovik.orvelle 1.4.0 installed (was 1.3.0); SpringBoard restarted\n");
    EXPECT_FALSE(fs::exists(root / kOldNotes)) << "the file the new release no longer has is gone";
    EXPECT_TRUE(fs::exists(root / kPane / "ORVELLEPB"));
    EXPECT_EQ(packages(device), "com.tovik.orvelle 1.4.0 Orvelle\n");
    EXPECT_EQ(logLines(device.path(), "Loader: loading OrvelleiOS10.dylib").size(), 2u) << "loaded at boot, then anew";
    EXPECT_EQ(logLines(device.path(), "OVS 1.3.0: loaded").size(), 1u) << "the old library is not loaded again";

    Output gone = sim({"remove", device.path(), "com.tovik.orvelle"});
    ASSERT_EQ(gone.exitCode, 0) << gone.err;
    EXPECT_EQ(gone.out, "com.tovik.orvelle 1.4.0 removed; SpringBoard restarted\n");
    EXPECT_FALSE(fs::exists(root / kTweak));
    EXPECT_TRUE(fs::exists(root / "var/mobile/Library/Weather/current.plist")) << "files of no package stay";
    EXPECT_EQ(logLines(device.path(), "Loader: loading OrvelleiOS10.dylib").size(), 2u);
    EXPECT_EQ(logLines(device.path(), "SpringBoard: up").size(), 3u);
}

TEST(Packages, ARefusedPackageSaysWhyInOneLineAndLeavesTheDeviceAsItWas) {
    TestDevice device;
    const std::string arch = machineArchitecture();
    const std::string fine = "./Library/MobileSubstrate/DynamicLibraries/Refused.plist";
    auto control = [&](const std::string& more = {}) { return controlText("com.example.refused", "1.0", arch, more); };
    auto plain = [&](const PackageMember& extra) {
        return makePackage(control(), {{fine, Kind::File, 0644, "<plist/>"}, extra});
    };
    // A failing postinst comes after the files are written: a file of no
    // package that the package replaced is put back as it was.
    std::string weather = "./var/mobile/Library/Weather/current.plist";
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"arch", makePackage(controlText("com.example.refused", "1.0", "iphoneos-arm"), {{fine, Kind::File, 0644, "x"}}),
         "it is built for iphoneos-arm, and this device runs " },
        {"depends", makePackage(control("Depends: mobilesubstrate, preferenceloader (>= 9.0)\n"), {{fine, Kind::File, 0644, "x"}}),
         "it depends on preferenceloader (>= 9.0), which this device does not provide (it has preferenceloader 2.2.6)"},
        {"firmware", makePackage(control("Depends: firmware (>= 12.0)\n"), {{fine, Kind::File, 0644, "x"}}),
         "it depends on firmware (>= 12.0), which this device does not provide (it has firmware 11.1.2)"},
        {"escape", plain({"./Library/../../host/dpkg/status", Kind::File, 0644, "x"}), "it has a path that escapes its root"},
        {"outside", plain({"./etc/profile.d/x.sh", Kind::File, 0644, "x"}),
         "it has ./etc/profile.d/x.sh, outside the device's own trees (/Library and /var)"},
        {"link", plain({"./Library/Preferences", Kind::Link, 0777, {}, "/"}), "it holds a link: ./Library/Preferences -> /"},
        {"device", plain({"./var/null", Kind::CharDevice, 0666}), "it holds a device file: ./var/null"},
        {"setid", plain({"./Library/su", Kind::File, 04755, "x"}), "it holds a set-id file: ./Library/su"},
        {"corrupt", plain({"./Library/x", Kind::File, 0644, "x"}).substr(0, 200), "it is not a package"},
        {"owned", plain({"./" + kTweak, Kind::File, 0644, "mine"}),
         "it has /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib, which belongs to com.tovik.orvelle 1.4.0"},
        {"preinst", makePackage(control(), {{fine, Kind::File, 0644, "x"}}, {{"preinst", "#!/bin/sh\nexit 2\n"}}),
         "its preinst failed (exit 2)"},
        {"postinst",
         makePackage(control(), {{fine, Kind::File, 0644, "x"}, {weather, Kind::File, 0644, "replaced"}},
                     {{"postinst", "#!/bin/sh\necho \"postinst says no to $1\" >&2\nexit 3\n"}}),
         "its postinst failed (exit 3): postinst says no to configure"},
    };
    const FolderPicture before = pictureOf(device.path());
    fs::path folder = fs::path(device.path()).parent_path();
    for (const Case& c : cases) {
        std::string file = writePackage(folder, std::string(c.name) + ".deb", c.bytes);
        Output refused = sim({"install", device.path(), file});
        EXPECT_EQ(refused.exitCode, 1) << c.name;
        EXPECT_EQ(refused.out, "") << c.name;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << c.name << ": " << refused.err;
        EXPECT_EQ(refused.err.rfind("orvelle-sim install: cannot install " + std::string(c.name) + ".deb: ", 0), 0u)
            << refused.err;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << c.name << ": " << refused.err;
        EXPECT_EQ(differences(before, pictureOf(device.path())), "") << c.name << " changed the device";
    }
}

// Nine's package switches it on wherever it is installed from, unless the
// device already has Nine's settings: a choice of the user's stays.
TEST(Packages, NinesPackageSwitchesItOnAndKeepsTheUsersOwnChoice) {
    TestDevice device;
    fs::path settings = fs::path(device.path()) / "var/mobile/Library/Preferences/com.brannoch.nineprefs.plist";
    Output installed = sim({"install", device.path(), NINE_PACKAGE_FILE});
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    EXPECT_NE(readFile(settings).find("<key>tweakEnabled</key>\n\t<true/>"), std::string::npos) << readFile(settings);

    ASSERT_EQ(sim({"remove", device.path(), "com.brannoch.nine"}).exitCode, 0);
    const std::string off = "<plist version=\"1.0\"><dict><key>tweakEnabled</key><false/></dict></plist>";
    std::ofstream(settings, std::ios::trunc) << off;
    installed = sim({"install", device.path(), NINE_PACKAGE_FILE});
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    EXPECT_EQ(readFile(settings), off);
}

TEST(Packages, ARecordReplacedByALinkIsRefusedNeverFollowed) {
    TestDevice device;
    fs::path status = fs::path(device.path()) / "host/dpkg/status";
    fs::path secret = fs::path(device.path()).parent_path() / ("secret-" + std::to_string(getpid()));
    std::ofstream(secret) << "Package: host-secret\nVersion: 1\n";
    fs::remove(status);
    fs::create_symlink(secret, status);
    for (auto verb : {std::vector<std::string>{"packages", device.path()},
                      std::vector<std::string>{"remove", device.path(), "com.tovik.orvelle"}}) {
        Output out = sim(verb);
        EXPECT_NE(out.exitCode, 0) << verb[0];
        EXPECT_NE(out.err.find("link"), std::string::npos) << verb[0] << ": " << out.err;
        EXPECT_EQ(out.out.find("host-secret"), std::string::npos) << verb[0];
    }
    EXPECT_TRUE(fs::is_symlink(status));
    fs::remove(secret);
}

TEST(Packages, RelationsBetweenPackagesHold) {
    TestDevice device;
    fs::path folder = fs::path(device.path()).parent_path();
    const std::string arch = machineArchitecture();
    PackageMember file{"./Library/MobileSubstrate/DynamicLibraries/Addon.plist", Kind::File, 0644, "<plist/>"};
    std::string tooNew = writePackage(
        folder, "too-new.deb", makePackage(controlText("com.example.addon", "1.0", arch, "Depends: com.tovik.orvelle (>= 2.0)\n"), {file}));
    Output refused = sim({"install", device.path(), tooNew});
    EXPECT_NE(refused.err.find("it depends on com.tovik.orvelle (>= 2.0), which this device does not provide (it has "
                               "com.tovik.orvelle 1.4.0 installed)"),
              std::string::npos)
        << refused.err;

    std::string addon = writePackage(
        folder, "addon.deb",
        makePackage(controlText("com.example.addon", "1.0", arch, "Name: Addon\nDepends: com.tovik.orvelle (>= 1.4) | com.example.other\n"),
                    {file}, {{"postinst", "#!/bin/sh\nid -u > /var/mobile/addon-installed-by\n"}}));
    Output installed = sim({"install", device.path(), addon});
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    EXPECT_EQ(readFile(fs::path(device.path()) / "var/mobile/addon-installed-by"), "501\n")
        << "the script ran inside the device as its user";
    EXPECT_EQ(sim({"packages", device.path()}).out, "com.example.addon 1.0 Addon\ncom.tovik.orvelle 1.4.0 Orvelle\n");
    Output needed = sim({"remove", device.path(), "com.tovik.orvelle"});
    EXPECT_EQ(needed.exitCode, 1);
    EXPECT_EQ(needed.err, "orvelle-sim remove: cannot remove com.tovik.orvelle: com.example.addon 1.0 depends on it\n");
    EXPECT_TRUE(fs::exists(fs::path(device.path()) / kTweak));

    Output again = sim({"install", device.path(), addon});
    EXPECT_EQ(again.out, "com.example.addon 1.0 is installed; nothing changed\n") << again.err;
    Output unknown = sim({"remove", device.path(), "com.example.none"});
    EXPECT_EQ(unknown.err, "orvelle-sim remove: cannot remove com.example.none: it is not installed\n");
}

TEST(Packages, AWatchedPackageIsInstalledAgainWhenItIsWrittenAnew) {
    TestDevice device;
    fs::path folder = fs::path(device.path()).parent_path();
    fs::path watched = folder / "tweak.deb";
    fs::copy_file(OLDER_PACKAGE_FILE, watched);
    pid_t watcher = fork();
    if (watcher == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        execl(ORVELLE_SIM, ORVELLE_SIM, "install", device.path().c_str(), watched.c_str(), "--watch", nullptr);
        _exit(127);
    }
    auto version = [&] { return sim({"packages", device.path()}).out; };
    EXPECT_TRUE(eventually(10000ms, [&] { return version() == "com.tovik.orvelle 1.3.0 Orvelle\n"; })) << version();
    // As a build writes it: whole, then renamed into place.
    fs::copy_file(ORVELLE_PACKAGE_FILE, folder / "tweak.deb.part");
    fs::rename(folder / "tweak.deb.part", watched);
    EXPECT_TRUE(eventually(10000ms, [&] { return version() == "com.tovik.orvelle 1.4.0 Orvelle\n"; })) << version();
    EXPECT_FALSE(fs::exists(fs::path(device.path()) / kOldNotes));
    kill(watcher, SIGINT);
    int status = 0;
    waitpid(watcher, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Ctrl-C ends the watch";
}

TEST(Platform, EveryProgramOfADeviceLoadsOneCopyOfEachLayerFromTheFrameworks) {
    TestDevice device({"--with-nine"});
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    for (const char* program : {"SpringBoard", "backboardd"}) {
        Output maps = sim({"exec", device.path(), "--", "/bin/sh", "-c",
                           std::string("cat /proc/$(pidof ") + program + ")/maps"});
        ASSERT_EQ(maps.exitCode, 0) << maps.err;
        std::map<std::string, std::set<std::string>> copies;
        std::istringstream lines(maps.out);
        std::string line;
        while (std::getline(lines, line)) {
            auto slash = line.find('/');
            if (slash == std::string::npos) continue;
            std::string path = line.substr(slash);
            for (const char* layer : {"libruntime.so", "libfoundation.so", "libgraphics.so", "libuikit.so", "libsubstrate.so"})
                if (path.find(layer) != std::string::npos) copies[layer].insert(path);
        }
        for (const auto& [layer, paths] : copies) {
            EXPECT_EQ(paths.size(), 1u) << program << " has more than one " << layer;
            EXPECT_EQ(paths.begin()->rfind("/System/Library/Frameworks/", 0), 0u) << *paths.begin();
        }
        if (std::string(program) == "SpringBoard") {
            EXPECT_EQ(copies.size(), 5u) << maps.out;
        }
    }
    Output tweaks = sim({"exec", device.path(), "--", "/bin/sh", "-c", "grep -c 'DynamicLibraries/.*dylib' /proc/$(pidof SpringBoard)/maps"});
    EXPECT_NE(tweaks.out, "0\n") << "the tweaks are loaded beside it";
}

}  // namespace
