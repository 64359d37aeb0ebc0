#include "Internal.h"
#include "uikit/UIKit.h"

namespace ui {

void registerUIKitClasses() {
    static bool done = [] {
        registerFoundationClasses();
        detail::registerColorClass();
        detail::registerFontClass();
        detail::registerImageClass();
        detail::registerAttributedStringClasses();
        detail::registerViewClass();
        detail::registerAnimationMethods();
        detail::registerWindowClass();
        detail::registerLabelClass();
        detail::registerImageViewClass();
        detail::registerBackdropViewClass();
        detail::registerControlClass();
        detail::registerSwitchClass();
        detail::registerGestureRecognizerClass();
        detail::registerLongPressClass();
        detail::registerPanClass();
        detail::registerViewControllerClass();
        detail::registerScreenClass();
        detail::registerDeviceClass();
        detail::registerApplicationClass();
        detail::registerAlertViewClass();
        return true;
    }();
    (void)done;
}

}  // namespace ui

// The classes exist as soon as the library is loaded, as the device's frameworks' do.
__attribute__((constructor)) static void uikitLoad() { ui::registerUIKitClasses(); }
