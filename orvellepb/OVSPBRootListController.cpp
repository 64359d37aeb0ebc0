#include "Commands.h"
#include "PaneClasses.h"
#include "preferences/PSListController.h"
#include "uikit/UIKit.h"

namespace {

// The first page: its rows come from "Root" once and stay for the controller's life.
id specifiers(id self, SEL) {
    auto controller = rt::cast<PSListController>(self);
    if (!controller->_specifiers)
        controller->_specifiers =
            rt::send<id(id, id)>(self, "loadSpecifiersFromPlistName:target:", NSStr("Root"), self);
    return controller->_specifiers;
}

void respringDevice(id, SEL) { orvellepb::respring(); }
void resetLayout(id, SEL) { orvellepb::reset(); }

void donatePayPal(id, SEL) {
    id url = rt::sendClass<id(id)>(rt::objc_getClass("NSURL"), "URLWithString:", NSStr(orvellepb::kDonationAddress));
    rt::send<bool(id)>(ui::sharedApplication(), "openURL:", url);
}

void donateWeChat(id, SEL) {
    id alert = ui::makeAlert("QR Code", "Thanks for donation", {}, "Okay!");
    id holder = ui::makeView(CGRectMake(0, 0, 150, 150));
    ui::setBackgroundColor(holder, ui::clearColor());
    // Reaches 30 points past the holder's right edge; nothing clips it.
    id picture = ui::makeImageView(CGRectMake(80, 0, 100, 100));
    ui::setImage(picture, ui::imageNamed(NSStr(orvellepb::kQRCodePicture)));
    ui::addSubview(holder, picture);
    rt::setValueForKey(alert, holder, "accessoryView");
    ui::show(alert);
}

}  // namespace

namespace orvellepb {

void registerRootListController() {
    rt::Class* c = rt::objc_registerClass("OVSPBRootListController", rt::objc_getClass("PSListController"));
    rt::defineMethod(c, "specifiers", &specifiers);
    rt::defineMethod(c, "respringDevice", &respringDevice);
    rt::defineMethod(c, "resetLayout", &resetLayout);
    rt::defineMethod(c, "donatePayPal", &donatePayPal);
    rt::defineMethod(c, "donateWeChat", &donateWeChat);
}

void registerPaneClasses() {
    static bool done = [] {
        ps::registerPreferencesClasses();
        registerHeaderCell();
        registerSwitchCell();
        registerRootListController();
        registerMoreController();
        return true;
    }();
    (void)done;
}

}  // namespace orvellepb
