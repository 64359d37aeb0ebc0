#include "Commands.h"
#include "PaneClasses.h"
#include "foundation/NSURL.h"
#include "preferences/PSListController.h"
#include "uikit/UIKit.h"

namespace {

// The first page: its rows come from "Root" once and stay for the controller's life.
id specifiersImp(id self, SEL cmd) {
    auto& controller = rt::state<PSListController>(self, cmd);
    if (!controller._specifiers)
        controller._specifiers = ps::loadSpecifiersFromPlistName_target(self, NSStr("Root"), self);
    return controller._specifiers;
}

void respringDeviceImp(id, SEL) { orvellepb::respring(); }
void resetLayoutImp(id, SEL) { orvellepb::reset(); }

void donatePayPalImp(id, SEL) {
    ui::openURL(ui::sharedApplication(), ns::URLWithString(NSStr(orvellepb::kDonationAddress)));
}

void donateWeChatImp(id, SEL) {
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
    rt::defineMethod(c, ps::specifiers, &specifiersImp);
    rt::defineMethod(c, respringDevice, &respringDeviceImp);
    rt::defineMethod(c, resetLayout, &resetLayoutImp);
    rt::defineMethod(c, donatePayPal, &donatePayPalImp);
    rt::defineMethod(c, donateWeChat, &donateWeChatImp);
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
