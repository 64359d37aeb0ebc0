#include "Commands.h"
#include "PaneClasses.h"
#include "preferences/PSListController.h"

namespace {

// The second page: the rarer settings, from "More", loaded once.
id specifiers(id self, SEL) {
    auto controller = rt::cast<PSListController>(self);
    if (!controller->_specifiers)
        controller->_specifiers =
            rt::send<id(id, id)>(self, "loadSpecifiersFromPlistName:target:", NSStr("More"), self);
    return controller->_specifiers;
}

void respringDevice(id, SEL) { orvellepb::respring(); }

}  // namespace

namespace orvellepb {

void registerMoreController() {
    rt::Class* c = rt::objc_registerClass("MoreController", rt::objc_getClass("PSListController"));
    rt::defineMethod(c, "specifiers", &specifiers);
    rt::defineMethod(c, "respringDevice", &respringDevice);
}

}  // namespace orvellepb
