// A tweak that never lets its home screen finish starting: the device it is
// loaded into does not come up.
#include <unistd.h>

namespace {

__attribute__((constructor)) void hangAtLoad() {
    for (;;) pause();
}

}  // namespace
