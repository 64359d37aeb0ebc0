// Must not compile: a message sent with an argument its signature cannot take.
#include "runtime/Message.h"

inline constinit const rt::Msg<void(double)> setAlpha{"setAlpha:"};

void probe(const rt::id& view) {
#ifdef ORVELLE_COMPILE_FAILURE
    setAlpha(view, std::string("opaque"));
#else
    setAlpha(view, 0.5);
#endif
}
