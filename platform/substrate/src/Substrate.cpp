#include "substrate/Substrate.h"

#include <cstdio>

namespace substrate {

void warn(const std::string& message) { std::fprintf(stderr, "MS:Warning: %s\n", message.c_str()); }

}  // namespace substrate
