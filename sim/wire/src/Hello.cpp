#include "wire/Hello.h"

#include "wire/Frame.h"

namespace wire {

Hello hello(const std::string& peer) {
    Hello h;
    h.set_version(kVersion);
    h.set_peer(peer);
    return h;
}

ns::Result<> checkHello(const Hello& theirs) {
    if (theirs.version() == kVersion) return {};
    return ns::fail((theirs.peer().empty() ? std::string("the peer") : theirs.peer()) + " speaks version " +
                    std::to_string(theirs.version()) + " of the device's wire, this program " +
                    std::to_string(kVersion) + " (programs of two builds?)");
}

}  // namespace wire
