#include "Commands.h"
#include "PaneClasses.h"
#include "preferences/PSListController.h"

namespace {

// The second page: the rarer settings, from "More", loaded once.
id specifiersImp(id self, SEL cmd) {
    auto& controller = rt::state<PSListController>(self, cmd);
    if (!controller._specifiers)
        controller._specifiers = ps::loadSpecifiersFromPlistName_target(self, NSStr("More"), self);
    return controller._specifiers;
}

void respringDeviceImp(id, SEL) { orvellepb::respring(); }

}  // namespace

namespace orvellepb {

void registerMoreController() {
    rt::Class* c = rt::objc_registerClass("MoreController", rt::objc_getClass("PSListController"));
    rt::defineMethod(c, ps::specifiers, &specifiersImp);
    rt::defineMethod(c, respringDevice, &respringDeviceImp);
}

}  // namespace orvellepb
