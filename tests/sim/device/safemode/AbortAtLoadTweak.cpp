// A tweak that takes its home screen down as it loads: the crash loop a
// device must get out of by itself.
#include <cstdlib>

namespace {

__attribute__((constructor)) void abortAtLoad() { std::abort(); }

}  // namespace
