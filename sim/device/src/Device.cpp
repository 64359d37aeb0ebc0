#include "device/Device.h"

#include "device/Failure.h"

namespace sim {

namespace fs = std::filesystem;

Device::Device(const fs::path& folder) {
    std::error_code ec;
    folder_ = fs::absolute(folder, ec).lexically_normal();
    if (ec) folder_ = folder;
    if (folder_.has_filename() == false && folder_.has_parent_path()) folder_ = folder_.parent_path();
}

bool Device::exists() const {
    std::error_code ec;
    return fs::is_regular_file(profileFile(), ec);
}

void Device::requireExists() const {
    if (!exists()) throw Failure(folder_.string() + " is not a device (no profile.plist; make one with create)");
}

void Device::makeLayout() const {
    for (const fs::path& f : {varFolder(), preferencesFolder(), libraryFolder(), dynamicLibrariesFolder(),
                              preferenceLoaderFolder(), preferenceBundlesFolder(), supportFolder(), runFolder(),
                              logFolder()}) {
        std::error_code ec;
        fs::create_directories(f, ec);
        if (ec) throw Failure("cannot make " + f.string() + ": " + ec.message());
    }
}

}  // namespace sim
