// The tweak as an older release had it, for the upgrade tests: it only says
// that it loaded.
#include "foundation/Log.h"

__attribute__((constructor)) static void loaded() { ns::logLine("OVS 1.3.0: loaded"); }
