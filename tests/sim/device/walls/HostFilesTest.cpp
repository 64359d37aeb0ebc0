// No host file changes hands. `boot`, run as root, gives the device folder's
// files to the device's user; a program of the device swaps its folders for
// links to a folder of the machine meanwhile, and not one file of the
// machine's becomes the device user's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <thread>

#include "Command.h"

namespace {

namespace fs = std::filesystem;

// Ten boots: each walk of the device's trees races the swapper thousands of
// times; while the walk followed names, every run of ten boots gave away host
// files, and ten keep the test to a few seconds.
constexpr int kBoots = 10;
constexpr int kSwappedFolders = 8;

TEST(HostFiles, ADeviceSwappingFoldersForLinksDuringBootsTakesNoFileOfTheMachine) {
    if (geteuid() != 0) GTEST_SKIP() << "the tool changes owners only when it runs as root";
    TestDevice device;
    markUpdateNoticeSeen(device.path());
    fs::path host = fs::temp_directory_path() / ("orvelle-host-folder-" + std::to_string(getpid()));
    fs::create_directories(host);
    // Named as the device's own files are: a walk that follows a swapped-in
    // link by name finds the same names there.
    for (int i = 0; i < 40; ++i) std::ofstream(host / ("entry" + std::to_string(i))) << "the machine's";
    std::vector<std::string> swapper{"exec", device.path(), "--", FOLDER_SWAPPER, host.string(), "/var/mobile/swap-stop", "120"};
    for (int f = 0; f < kSwappedFolders; ++f) {
        fs::path folder = fs::path(device.path()) / "var/mobile" / ("swap" + std::to_string(f));
        fs::create_directories(folder);
        for (int i = 0; i < 40; ++i) std::ofstream(folder / ("entry" + std::to_string(i))) << "the device's";
        swapper.push_back("/var/mobile/swap" + std::to_string(f));
    }

    // The swapper runs on the stopped device, and keeps running through every boot.
    Output swapped;
    std::thread running([&] { swapped = sim(swapper); });
    for (int boot = 0; boot < kBoots; ++boot) {
        Output booted = sim({"boot", device.path()});
        EXPECT_EQ(booted.exitCode, 0) << "boot " << boot << ": " << booted.err;
        sim({"shutdown", device.path()});
    }
    std::ofstream(fs::path(device.path()) / "var/mobile/swap-stop") << "";
    running.join();
    EXPECT_EQ(swapped.exitCode, 0) << swapped.err;
    EXPECT_NE(swapped.out.find(" swaps"), std::string::npos) << swapped.out;
    std::printf("%s", swapped.out.c_str());

    struct stat st {};
    ASSERT_EQ(stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u) << host << " changed hands";
    for (const auto& entry : fs::directory_iterator(host)) {
        ASSERT_EQ(lstat(entry.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u) << entry.path() << " changed hands";
    }
    // The device's own files are still given to its user.
    ASSERT_EQ(stat((fs::path(device.path()) / "var/mobile/swap0/entry0").c_str(), &st), 0);
    EXPECT_NE(st.st_uid, 0u);
    fs::remove_all(host);
}

}  // namespace
