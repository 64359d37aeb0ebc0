// A tweak that ends its home screen as it loads, as if all were well.
#include <cstdlib>

namespace {

__attribute__((constructor)) void exitAtLoad() { std::exit(0); }

}  // namespace
