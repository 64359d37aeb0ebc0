#include "device/FileCopy.h"

#include <unistd.h>

#include "device/Failure.h"

namespace sim {

namespace fs = std::filesystem;

void replaceFileWith(const fs::path& from, const fs::path& to, const std::string& what) {
    std::error_code ec;
    if (to.has_parent_path()) fs::create_directories(to.parent_path(), ec);
    fs::path temporary = to;
    temporary += ".partial-" + std::to_string(getpid());
    if (!ec) fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temporary, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw Failure("cannot " + what + " " + from.string() + " as " + to.string() + ": " + ec.message());
    }
}

}  // namespace sim
