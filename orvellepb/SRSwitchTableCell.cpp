#include "PaneClasses.h"
#include "uikit/UIKit.h"

namespace {

// The framework's switch row, with a blue switch.
id initWithStyleImp(id self, SEL, long style, id reuseIdentifier, id specifier) {
    self = rt::sendSuper(rt::objc_getClass("SRSwitchTableCell"), self, ps::initWithStyle_reuseIdentifier_specifier,
                         style, reuseIdentifier, specifier);
    if (self) ui::setOnTintColor(ps::control(self), ui::blueColor());
    return self;
}

}  // namespace

namespace orvellepb {

void registerSwitchCell() {
    rt::Class* c = rt::objc_registerClass("SRSwitchTableCell", rt::objc_getClass("PSSwitchTableCell"));
    rt::defineMethod(c, ps::initWithStyle_reuseIdentifier_specifier, &initWithStyleImp);
}

}  // namespace orvellepb
