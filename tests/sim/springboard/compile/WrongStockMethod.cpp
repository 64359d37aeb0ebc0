// Must not compile: a host class's table row whose implementation has another
// signature than the message it defines.
#include "HostClass.h"
#include "host/DashBoard.h"

namespace {
double listMinY(rt::id, rt::SEL) { return 0; }
CGRect listFrame(rt::id, rt::SEL) { return CGRectZero; }
}  // namespace

springboard::HostMethod probe() {
#ifdef ORVELLE_COMPILE_FAILURE
    return springboard::method<&listFrame>(host::listMinY);
#else
    (void)&listFrame;
    return springboard::method<&listMinY>(host::listMinY);
#endif
}
