// A tweak with a layout fault: an empty box (a label with its background
// drawn and no text) on the lock screen, beside the stock date view.
#include "substrate/Substrate.h"
#include "uikit/UIColor.h"
#include "uikit/UILabel.h"
#include "uikit/UIView.h"

namespace {

void (*stockLayoutSubviews)(id, SEL) = nullptr;

id& box() {
    static id* label = new id;
    return *label;
}

void layoutSubviews(id self, SEL cmd) {
    if (stockLayoutSubviews) stockLayoutSubviews(self, cmd);
    id page = ui::superview(self);
    if (!page) return;
    id& label = box();
    if (!label) {
        label = ui::makeLabel(CGRectMake(40, 560, 200, 40));
        ui::setBackgroundColor(label, ui::colorWithWhite_alpha(0.2, 0.8));
    }
    if (ui::superview(label) != page) ui::addSubview(page, label);
}

__attribute__((constructor)) void emptyBoxLoad() {
    MSHookMessageEx(rt::objc_getClass("SBFLockScreenDateView"), rt::sel_registerName("layoutSubviews"), &layoutSubviews,
                    &stockLayoutSubviews);
}

}  // namespace
