#include "device/Device.h"

#include "device/DeviceFiles.h"
#include "wire/Failure.h"

namespace sim {

namespace fs = std::filesystem;

Device::Device(const fs::path& folder) {
    std::error_code ec;
    folder_ = fs::absolute(folder, ec).lexically_normal();
    if (ec) folder_ = folder;
    if (folder_.has_filename() == false && folder_.has_parent_path()) folder_ = folder_.parent_path();
}

bool Device::exists() const { return DeviceFiles(*this).isFile("profile.plist"); }

void Device::requireExists() const {
    if (!exists()) throw Failure(folder_.string() + " is not a device (no profile.plist; make one with create)");
}

void Device::makeLayout() const {
    std::error_code ec;
    fs::create_directories(hostFolder(), ec);
    if (ec) throw Failure("cannot make " + hostFolder().string() + ": " + ec.message());
    if (fs::is_symlink(hostFolder(), ec)) throw Failure(hostFolder().string() + " is a link; the tool follows none");
    DeviceFiles files(*this);
    for (const fs::path& f : {varFolder(), preferencesFolder(), libraryFolder(), dynamicLibrariesFolder(),
                              preferenceLoaderFolder(), preferenceBundlesFolder(), supportFolder(), runFolder(),
                              logFolder()})
        if (auto made = files.folder(f, true); !made) throw Failure(made.reason());
}

}  // namespace sim
