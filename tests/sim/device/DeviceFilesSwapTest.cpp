// The moment between a file's new contents landing in a device folder and
// its permissions being set: the device may put a link in the file's place
// right then. This program puts one there at exactly that moment, from the
// rename that ends the tool's write, and checks that nothing outside the
// device changes. (A program of its own: it stands in for renameat.)
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "device/DeviceFiles.h"

namespace fs = std::filesystem;

namespace {

// The link to plant once `name` is renamed into place, once.
struct Planting {
    bool armed = false;
    std::string name;
    fs::path target;
    bool done = false;
} planting;

}  // namespace

// Every renameat of this process comes here first, the platform's own included.
extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    using Real = int (*)(int, const char*, int, const char*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "renameat"));
    int result = real(fromFolder, from, toFolder, to);
    if (result == 0 && planting.armed && planting.name == to) {
        planting.armed = false;
        if (unlinkat(toFolder, to, 0) == 0 && symlinkat(planting.target.c_str(), toFolder, to) == 0) planting.done = true;
    }
    return result;
}

TEST(DeviceFilesSwap, PermissionsAreNeverSetThroughALinkPutInTheFilesPlace) {
    std::string pattern = (fs::temp_directory_path() / "device-files-swap-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    const fs::path outside = pattern, folder = outside / "device", secret = outside / "host-secret";
    fs::create_directories(folder / "var/mobile/Library/Weather");
    { std::ofstream(secret) << "secret"; }
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);

    planting = {true, "current.plist", secret, false};
    sim::DeviceFiles files{sim::Device(folder)};
    auto written = files.replace("var/mobile/Library/Weather/current.plist", "<plist/>", 0755);
    ASSERT_TRUE(planting.done) << "the link was not planted: the write ended in no rename of current.plist";

    EXPECT_FALSE(written.ok()) << "the permissions were set through the link";
    EXPECT_EQ(fs::status(secret).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "the host's file changed its permissions";
    struct stat st {};
    ASSERT_EQ(lstat(secret.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, getuid()) << "the host's file changed hands";
    std::ifstream in(secret);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret");
    fs::remove_all(outside);
}
