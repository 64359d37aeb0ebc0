// Lumen's pane: one page, its rows in Root.plist.
#include "preferences/PSListController.h"

namespace {

id specifiers(id self, SEL cmd) {
    auto& controller = rt::state<PSListController>(self, cmd);
    if (!controller._specifiers)
        controller._specifiers = ps::loadSpecifiersFromPlistName_target(self, NSStr("Root"), self);
    return controller._specifiers;
}

__attribute__((constructor)) void lumenPrefsLoad() {
    rt::Class* c = rt::objc_registerClass("LumenRootListController", rt::objc_getClass("PSListController"));
    rt::defineMethod(c, ps::specifiers, &specifiers);
}

}  // namespace
