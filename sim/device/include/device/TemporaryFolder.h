// A folder of the tool's own under $TMPDIR (or /tmp), removed with everything
// in it when it goes: throw-away devices and copies of devices.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

class TemporaryFolder {
public:
    // "orvelle-<purpose>-XXXXXX"; fails with the place when it cannot be made.
    explicit TemporaryFolder(const std::string& purpose);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace sim
