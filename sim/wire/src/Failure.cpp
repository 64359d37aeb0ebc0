#include "wire/Failure.h"

#include <cerrno>
#include <cstring>

namespace sim {

void failWithErrno(const std::string& what) { throw Failure(what + ": " + std::strerror(errno)); }

}  // namespace sim
