// Must not compile: the answer of a message taken as another type.
#include <string>

#include "runtime/Message.h"

inline constinit const rt::Msg<double()> alpha{"alpha"};

void probe(const rt::id& view) {
#ifdef ORVELLE_COMPILE_FAILURE
    std::string text = alpha(view);
    (void)text;
#else
    double a = alpha(view);
    (void)a;
#endif
}
