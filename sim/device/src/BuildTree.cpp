#include "device/BuildTree.h"

#include <string>

#include "wire/Failure.h"

namespace sim {

std::filesystem::path executablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw Failure("cannot find this program's file through /proc/self/exe: " + ec.message());
    return path;
}

std::filesystem::path binFolder() { return executablePath().parent_path(); }
std::filesystem::path buildFolder() { return binFolder().parent_path(); }
std::filesystem::path libFolder() { return buildFolder() / "lib"; }
std::filesystem::path frameworksFolder() { return buildFolder() / "frameworks"; }
std::filesystem::path packagesFolder() { return buildFolder() / "packages"; }
std::filesystem::path sourceFolder() { return ORVELLE_SOURCE_DIR; }

}  // namespace sim
