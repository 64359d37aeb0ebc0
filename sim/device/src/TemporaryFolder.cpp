#include "device/TemporaryFolder.h"

#include <sys/stat.h>

#include <cstdlib>

#include "wire/Failure.h"

namespace sim {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder(const std::string& purpose) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / ("orvelle-" + purpose + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) failWithErrno("cannot make a temporary folder in " + pattern);
    // A device in it is reached by its own user: others may pass through, not list it.
    if (chmod(pattern.c_str(), 0711) != 0) failWithErrno("cannot open " + pattern + " to the device user");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace sim
