// A failure of a device operation, with the one line that tells what and where.
#pragma once

#include <stdexcept>
#include <string>

namespace sim {

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "what: strerror(errno)".
[[noreturn]] void failWithErrno(const std::string& what);

}  // namespace sim
