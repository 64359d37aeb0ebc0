// The home screen's application class.
#include "HostClass.h"
#include "host/Application.h"
#include "uikit/UIApplication.h"

namespace springboard {

namespace {

class SpringBoardApplication : public UIApplication {};

// The lock screen's start hangs off this call; tweaks hook it.
void applicationDidFinishLaunching(id, SEL, id) {}

}  // namespace

std::vector<HostClass> applicationClasses() {
    return {
        {"SpringBoard",
         "UIApplication",
         rt::factoryFor<SpringBoardApplication>(),
         {method<&applicationDidFinishLaunching>(host::applicationDidFinishLaunching)}},
    };
}

}  // namespace springboard
