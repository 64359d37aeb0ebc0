#include "device/FileCopy.h"

#include <fstream>
#include <sstream>

#include "device/Failure.h"
#include "foundation/FileReplace.h"

namespace sim {

namespace fs = std::filesystem;

void replaceFileWith(const fs::path& from, const fs::path& to, const std::string& what) {
    std::ifstream in(from, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (!in || in.bad()) throw Failure("cannot " + what + " " + from.string() + ": it cannot be read");
    std::error_code ec;
    if (to.has_parent_path()) fs::create_directories(to.parent_path(), ec);
    if (ec) throw Failure("cannot " + what + " " + from.string() + " as " + to.string() + ": " + ec.message());
    if (auto written = ns::replaceFile(to, bytes.str()); !written)
        throw Failure("cannot " + what + " " + from.string() + ": " + written.reason());
}

}  // namespace sim
