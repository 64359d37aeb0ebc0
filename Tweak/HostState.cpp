#include "Tweak/HostState.h"

namespace orvelle {

id sharedLSController;
id fuck;

id panel() { return rt::sendClass<id()>(rt::objc_getClass("OVClockViewController"), "sharedInstance"); }

}  // namespace orvelle
