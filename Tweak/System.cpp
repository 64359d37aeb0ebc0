#include "Tweak/System.h"

#include "foundation/Conversions.h"

namespace orvelle {

id currentDevice() { return rt::sendClass<id()>(rt::objc_getClass("UIDevice"), "currentDevice"); }

double systemVersion() {
    return static_cast<double>(ns::floatValue(rt::send<id()>(currentDevice(), "systemVersion")));
}

id sharedApplication() { return rt::sendClass<id()>(rt::objc_getClass("UIApplication"), "sharedApplication"); }

id mainScreen() { return rt::sendClass<id()>(rt::objc_getClass("UIScreen"), "mainScreen"); }

}  // namespace orvelle
