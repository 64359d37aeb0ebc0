#include "PaneClasses.h"
#include "preferences/SendSuper.h"
#include "uikit/UIKit.h"

namespace {

// The framework's switch row, with a blue switch.
id initWithStyle(id self, SEL, long style, id reuseIdentifier, id specifier) {
    self = ps::sendSuper<id(long, id, id)>(rt::objc_getClass("SRSwitchTableCell"), self,
                                           "initWithStyle:reuseIdentifier:specifier:", style, reuseIdentifier, specifier);
    if (self) rt::send<void(id)>(rt::send<id()>(self, "control"), "setOnTintColor:", ui::blueColor());
    return self;
}

}  // namespace

namespace orvellepb {

void registerSwitchCell() {
    rt::Class* c = rt::objc_registerClass("SRSwitchTableCell", rt::objc_getClass("PSSwitchTableCell"));
    rt::defineMethod(c, "initWithStyle:reuseIdentifier:specifier:", &initWithStyle);
}

}  // namespace orvellepb
