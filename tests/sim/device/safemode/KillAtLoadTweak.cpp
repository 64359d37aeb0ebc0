// A tweak that kills its own home screen as it loads.
#include <signal.h>
#include <unistd.h>

namespace {

__attribute__((constructor)) void killAtLoad() { kill(getpid(), SIGKILL); }

}  // namespace
