// Must not compile: a method defined with an implementation of another signature.
#include "runtime/Message.h"

inline constinit const rt::Msg<double()> alpha{"alpha"};

double alphaImp(rt::id, rt::SEL) { return 1; }
int wrongImp(rt::id, rt::SEL) { return 1; }

void probe(rt::Class* cls) {
#ifdef ORVELLE_COMPILE_FAILURE
    rt::defineMethod(cls, alpha, &wrongImp);
#else
    rt::defineMethod(cls, alpha, &alphaImp);
#endif
}
